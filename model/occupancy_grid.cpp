#include "model/occupancy_grid.h"

#include "model/box.h"
#include "model/cell_block.h"
#include "model/dimension.h"

#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

#include <algorithm>
#include <utility>

namespace bgi = boost::geometry::index;

namespace {

using cell_block::block;
using cell_block::corner;
using entry = std::pair<block, const box*>;

}  // namespace

struct occupancy_grid::index {
    bgi::rtree<entry, bgi::quadratic<16>> tree;
};

occupancy_grid::occupancy_grid(const dimension& container)
    : length_(container.length()),
      width_(container.width()),
      height_(container.height()),
      blocks(std::make_unique<index>())
{
}

occupancy_grid::occupancy_grid(const dimension& container,
                               const std::vector<std::unique_ptr<box>>& boxes)
    : length_(container.length()), width_(container.width()), height_(container.height())
{
    std::vector<entry> entries;
    for (const auto& b : boxes) {
        const cell_range range = cell_range::of(*b);
        if (!range.is_empty())
            entries.emplace_back(cell_block::closed(range), b.get());
    }
    blocks = std::make_unique<index>(index{decltype(index::tree)(entries)});
}

occupancy_grid::~occupancy_grid() = default;

bool occupancy_grid::cell(int x, int z, int y) const
{
    return any_taken({x, x + 1, z, z + 1, y, y + 1});
}

bool occupancy_grid::any_taken(const cell_range& range) const
{
    if (range.is_empty())
        return false;
    return blocks->tree.qbegin(bgi::intersects(cell_block::closed(range))) != blocks->tree.qend();
}

std::vector<const box*> occupancy_grid::boxes_meeting(const cell_range& range) const
{
    std::vector<const box*> found;
    if (range.is_empty())
        return found;
    blocks->tree.query(bgi::intersects(cell_block::closed(range)),
                       boost::make_function_output_iterator(
                           [&](const entry& e) { found.push_back(e.second); }));
    return found;
}

int occupancy_grid::resting_level(const box& b) const
{
    if (b.position.py <= 0)
        return b.position.py;
    cell_range beneath = cell_range::of(b);
    beneath.y0 = 0;
    beneath.y1 = b.position.py;
    if (beneath.is_empty())
        return 0;  // no footprint: nothing beneath can hold it
    // Most boxes rest on the layer just beneath them: any block there holds the box where it
    // is, and the first one found answers.
    const cell_range layer_beneath{beneath.x0, beneath.x1, beneath.z0, beneath.z1,
                                   b.position.py - 1, b.position.py};
    if (blocks->tree.qbegin(bgi::intersects(cell_block::closed(layer_beneath))) !=
        blocks->tree.qend())
        return b.position.py;
    // The nearest block beneath the box's bottom layer is the highest one; a block that
    // reaches up into that layer (one the box lies inside, when it covers no cell) holds the
    // box where it is. Asking for the nearest only keeps a tall stack from being walked
    // whole for every box in it.
    const cell_range bottom{beneath.x0, beneath.x1, beneath.z0, beneath.z1, b.position.py,
                            b.position.py + 1};
    int level = 0;
    blocks->tree.query(bgi::intersects(cell_block::closed(beneath))
                           && bgi::nearest(cell_block::closed(bottom), 1),
                       boost::make_function_output_iterator([&](const entry& e) {
                           level = std::min(e.first.max_corner().get<2>() + 1, b.position.py);
                       }));
    return level;
}

void occupancy_grid::take(const box& b)
{
    const cell_range range = cell_range::of(b);
    if (!range.is_empty())
        blocks->tree.insert(entry(cell_block::closed(range), &b));
}

void occupancy_grid::release(const box& b)
{
    const cell_range range = cell_range::of(b);
    if (!range.is_empty())
        blocks->tree.remove(entry(cell_block::closed(range), &b));
}

int64_t occupancy_grid::taken_count() const
{
    int64_t count = 0;
    for (const entry& e : blocks->tree) {
        const corner& low = e.first.min_corner();
        const corner& high = e.first.max_corner();
        count += int64_t(high.get<0>() - low.get<0>() + 1) * (high.get<1>() - low.get<1>() + 1)
                 * (high.get<2>() - low.get<2>() + 1);
    }
    return count;
}
