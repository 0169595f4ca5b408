#include "model/packing_statistics.h"

#include "model/box_moves.h"
#include "model/cell_range.h"
#include "model/cell_union.h"
#include "model/packing_check.h"
#include "model/session.h"

#include <algorithm>

namespace {

int64_t volume(const dimension& d)
{
    return int64_t(d.length()) * d.width() * d.height();
}

// The boxes that settling would move, found on a copy of the boxes inside the container in
// the cascade's own order: the session itself stays as it is.
std::vector<int> moved_in_a_copy(const session& s, const std::vector<int>& inside)
{
    session copy;
    copy.container = std::make_unique<dimension>(*s.container);
    for (int i : inside)
        copy.boxes.push_back(std::make_unique<box>(*s.boxes[std::size_t(i)]));
    copy.grid = std::make_unique<occupancy_grid>(*s.container, copy.boxes);
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
    const cells_taken cells = count_cells(blocks);
    figures.packed_volume = cells.count;
    if (figures.container_volume > 0)
        figures.fill_rate =
            100.0 * double(figures.packed_volume) / double(figures.container_volume);
    const bool flat_above_floor = std::any_of(inside.begin(), inside.end(), [&](int i) {
        const box& b = *s.boxes[std::size_t(i)];
        return b.lies_flat() && b.position.py > 0;
    });
    figures.unsupported = cells.overlap || flat_above_floor
                              ? moved_in_a_copy(s, inside)
                              : box_moves::boxes_that_may_fall(s, inside);
    return figures;
}
