#pragma once

#include <cstdint>

class support_map;

// How well a packing's boxes rest, for the checker's figures.
struct support_statistics {
    static support_statistics of(const support_map& support);

    bool any_share = false;         // some box has a base with an area
    int64_t smallest_supported = 0;  // the smallest share, as its two areas
    int64_t smallest_base = 0;
    int under_whole = 0;            // boxes resting on less than all of their base
    int under_three_quarters = 0;   // less than 75 %
    int centre_not_supported = 0;
};
