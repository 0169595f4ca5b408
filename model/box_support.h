#pragma once

#include <cstdint>

// How one box rests: the share of its base that rests on something, and whether the centre
// of its base, which stands for its centre of gravity, lies over what holds it.
struct box_support {
    int64_t supported_area = 0;  // the union of the contacts, each part once
    int64_t base_area = 0;       // 0: a base of no area has no share
    bool on_floor = false;       // py 0: wholly supported, centre included
    bool centre_supported = false;

    bool has_share() const { return base_area > 0; }
    // supported_area / base_area < numerator / denominator, exactly; false without a share.
    bool below(int64_t numerator, int64_t denominator) const;
};
