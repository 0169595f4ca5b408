#include "model/flat_rect.h"

#include "model/box.h"

#include <algorithm>

flat_rect flat_rect::base_of(const box& b)
{
    const position& p = b.position;
    return {p.px, int64_t(p.px) + b.dimension.length(), p.pz, int64_t(p.pz) + b.dimension.width()};
}

flat_rect flat_rect::intersection(const flat_rect& other) const
{
    return {std::max(x0, other.x0), std::min(x1, other.x1), std::max(z0, other.z0),
            std::min(z1, other.z1)};
}
