#include "model/support_statistics.h"

#include "model/support_map.h"

support_statistics support_statistics::of(const support_map& support)
{
    support_statistics figures;
    for (std::size_t i = 0; i < support.size(); ++i) {
        const box_support& s = support.of(i);
        figures.centre_not_supported += s.centre_supported ? 0 : 1;
        if (!s.has_share())
            continue;
        figures.under_whole += s.below(1, 1) ? 1 : 0;
        figures.under_three_quarters += s.below(3, 4) ? 1 : 0;
        if (!figures.any_share || s.below(figures.smallest_supported, figures.smallest_base)) {
            figures.any_share = true;
            figures.smallest_supported = s.supported_area;
            figures.smallest_base = s.base_area;
        }
    }
    return figures;
}
