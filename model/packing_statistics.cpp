#include "model/packing_statistics.h"

#include "model/box_moves.h"
#include "model/packing_check.h"
#include "model/session.h"

namespace {

int64_t volume(const dimension& d)
{
    return int64_t(d.length()) * d.width() * d.height();
}

}  // namespace

packing_statistics packing_statistics::of(const session& s)
{
    packing_statistics figures;
    figures.box_count = int(s.boxes.size());
    for (const auto& b : s.boxes)
        figures.packed_volume += volume(b->dimension);
    if (!s.container)
        return figures;
    figures.container_volume = volume(*s.container);
    if (figures.container_volume > 0)
        figures.fill_rate =
            100.0 * double(figures.packed_volume) / double(figures.container_volume);
    // Only boxes inside the container are in the grid; one outside has no layer to fall into.
    for (int i = 0; i < figures.box_count; ++i)
        if (outside_axes(*s.container, *s.boxes[std::size_t(i)]) == 0
            && box_moves::can_move(s, towards_minus_y, i))
            figures.unsupported.push_back(i);
    return figures;
}
