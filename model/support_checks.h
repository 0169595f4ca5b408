#pragma once

#include <QString>

#include <cstdint>
#include <optional>

struct box_support;

// The support checks asked for: a least share of each base, in percent, and the centre.
// Off unless asked for.
struct support_checks {
    // A percent from 0 to 100 with decimals ("75", "70.26"), as an exact fraction; empty
    // for anything else.
    struct least_share {
        int64_t numerator;    // of the share, not of the percent
        int64_t denominator;
        QString text;         // as given, for the settings and the lines
    };
    static std::optional<least_share> parse_least_share(const QString& percent);

    std::optional<least_share> min_share;
    bool centre = false;

    bool any() const { return min_share.has_value() || centre; }
    bool share_fails(const box_support& s) const;
    bool centre_fails(const box_support& s) const;
};
