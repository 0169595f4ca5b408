#include "model/support_colour.h"

#include "model/box_support.h"

namespace {

palette::rgb between(const palette::rgb& a, const palette::rgb& b, double t)
{
    const auto mix = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return {mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)};
}

}  // namespace

palette::rgb support_colour(const box_support& s)
{
    constexpr palette::rgb none{200, 0, 0}, three_quarters{240, 210, 0}, almost{150, 210, 60},
        whole{0, 160, 0}, no_share{128, 128, 128};
    if (!s.has_share())
        return no_share;
    if (!s.below(1, 1))
        return whole;
    const double share = double(s.supported_area) / double(s.base_area);
    if (share < 0.75)
        return between(none, three_quarters, share / 0.75);
    return between(three_quarters, almost, (share - 0.75) / 0.25);
}
