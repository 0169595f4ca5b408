#include "model/box_support.h"

bool box_support::below(int64_t numerator, int64_t denominator) const
{
    // Areas and the callers' fractions stay below 2^32, so no unsigned product wraps.
    return has_share()
           && uint64_t(supported_area) * uint64_t(denominator)
                  < uint64_t(base_area) * uint64_t(numerator);
}
