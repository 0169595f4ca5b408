#include "model/packing_statistics.h"

#include "model/box_moves.h"
#include "model/cell_range.h"
#include "model/cell_union.h"
#include "model/packing_check.h"
#include "model/session.h"

namespace {

int64_t volume(const dimension& d)
{
    return int64_t(d.length()) * d.width() * d.height();
}

// The boxes that settling would move, on a copy of the boxes inside the container: the
// session itself stays as it is. In the cascade's order, since boxes may overlap.
std::vector<int> moved_by_settling(const session& s, const std::vector<int>& inside)
{
    session copy;
    copy.container = std::make_unique<dimension>(*s.container);
    copy.grid = std::make_unique<occupancy_grid>(*s.container);
    for (int i : inside) {
        copy.boxes.push_back(std::make_unique<box>(*s.boxes[std::size_t(i)]));
        copy.grid->take(*copy.boxes.back());
    }
    box_moves::settle_in_cascade_order(copy);
    std::vector<int> moved;
    for (std::size_t k = 0; k < inside.size(); ++k)
        if (copy.boxes[k]->position.py != s.boxes[std::size_t(inside[k])]->position.py)
            moved.push_back(inside[k]);
    return moved;
}

}  // namespace

packing_statistics packing_statistics::of(const session& s)
{
    packing_statistics figures;
    figures.box_count = int(s.boxes.size());
    if (!s.container)
        return figures;
    figures.container_volume = volume(*s.container);
    // Boxes sticking out have no cell in the container: they neither count nor fall.
    std::vector<int> inside;
    std::vector<cell_range> blocks;
    for (int i = 0; i < figures.box_count; ++i) {
        const box& b = *s.boxes[std::size_t(i)];
        if (outside_axes(*s.container, b) != 0)
            continue;
        inside.push_back(i);
        blocks.push_back(cell_range::of(b));
    }
    figures.packed_volume = cells_taken(blocks);
    if (figures.container_volume > 0)
        figures.fill_rate =
            100.0 * double(figures.packed_volume) / double(figures.container_volume);
    figures.unsupported = moved_by_settling(s, inside);
    return figures;
}
