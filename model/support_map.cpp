#include "model/support_map.h"

#include "model/box.h"
#include "model/cell_range.h"
#include "model/occupancy_grid.h"
#include "model/support_geometry.h"

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

#include <algorithm>
#include <limits>
#include <utility>

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

// A face is a flat rectangle at a level: a closed box of no height in (x, z, y). Closed
// rectangles also meet along an edge; the contacts keep only what has an area. Each end is
// held at the 32-bit limit: that keeps the order of any two ends, so faces that meet still
// meet in the index, and the contacts themselves are taken from the boxes, exactly.
using corner = bg::model::point<int32_t, 3, bg::cs::cartesian>;
using face = bg::model::box<corner>;
using entry = std::pair<face, std::size_t>;
using face_tree = bgi::rtree<entry, bgi::quadratic<16>>;

int32_t held(int64_t coordinate)
{
    return int32_t(std::min<int64_t>(coordinate, std::numeric_limits<int32_t>::max()));
}

face face_at(const flat_rect& r, int64_t level)
{
    return face(corner(held(r.x0), held(r.z0), held(level)),
                corner(held(r.x1), held(r.z1), held(level)));
}

int64_t top_level(const box& b)
{
    return int64_t(b.position.py) + b.dimension.height();
}

face top_face(const box& b)
{
    return face_at(flat_rect::base_of(b), top_level(b));
}

face base_face(const box& b)
{
    return face_at(flat_rect::base_of(b), b.position.py);
}

// Whether the grid holds the box: inside its container, covering a cell.
bool in_grid(const occupancy_grid& grid, const box& b)
{
    const flat_rect r = flat_rect::base_of(b);
    return !b.covers_no_cell() && r.x0 >= 0 && r.x1 <= grid.length() && r.z0 >= 0
           && r.z1 <= grid.width() && b.position.py >= 0 && top_level(b) <= grid.height();
}

bool same_place(const position& a, const position& b)
{
    return a.px == b.px && a.py == b.py && a.pz == b.pz;
}

// Only faces with an area can hold or be held.
bool has_face(const box& b)
{
    return b.dimension.length() > 0 && b.dimension.width() > 0;
}

// The layer of cells [level, level + 1) over a face, cut to the grid: empty where the face
// lies beyond it, and never a coordinate past 32 bits.
cell_range layer_in_grid(const occupancy_grid& grid, const flat_rect& r, int64_t level)
{
    const auto cut = [](int64_t v, int extent) { return int(std::clamp<int64_t>(v, 0, extent)); };
    return {cut(r.x0, grid.length()), cut(r.x1, grid.length()),
            cut(r.z0, grid.width()),  cut(r.z1, grid.width()),
            cut(level, grid.height()), cut(level + 1, grid.height())};
}

}  // namespace

struct support_map::index {
    face_tree tops;
    face_tree bases;
};

support_map::support_map(const box_list& boxes, const occupancy_grid& grid)
{
    std::vector<entry> tops, bases;
    placed_.reserve(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const box& b = *boxes[i];
        placed_.push_back(b.position);
        if (has_face(b) && !in_grid(grid, b)) {
            tops.emplace_back(top_face(b), i);
            bases.emplace_back(base_face(b), i);
        }
    }
    others_ = std::make_unique<index>(index{face_tree(tops), face_tree(bases)});
    figures_.reserve(boxes.size());
    std::vector<flat_rect> contacts;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        figures_.push_back(compute({boxes, grid}, i, contacts));
}

support_map::~support_map() = default;

std::vector<flat_rect> support_map::contacts(const box_list& boxes, const occupancy_grid& grid,
                                             std::size_t index) const
{
    std::vector<flat_rect> found;
    find_contacts({boxes, grid}, index, found);
    return found;
}

void support_map::find_contacts(const scene& s, std::size_t index,
                                std::vector<flat_rect>& found) const
{
    found.clear();
    const box& b = *s.boxes[index];
    if (b.position.py == 0 || !has_face(b))
        return;
    const flat_rect base = flat_rect::base_of(b);
    const auto take = [&](const box& under) {
        // A box of height 0 is not its own support.
        if (&under == &b || top_level(under) != b.position.py)
            return;
        const flat_rect part = base.intersection(flat_rect::base_of(under));
        if (!part.is_empty())
            found.push_back(part);
    };
    for (const box* under : s.grid.boxes_meeting(layer_in_grid(s.grid, base, b.position.py - 1)))
        take(*under);
    others_->tops.query(bgi::intersects(base_face(b)),
                        boost::make_function_output_iterator(
                            [&](const entry& e) { take(*s.boxes[e.second]); }));
}

box_support support_map::compute(const scene& s, std::size_t index,
                                 std::vector<flat_rect>& contacts) const
{
    const box& b = *s.boxes[index];
    box_support figures;
    const flat_rect base = flat_rect::base_of(b);
    figures.base_area = base.area();
    if (b.position.py == 0) {
        figures.on_floor = true;
        figures.supported_area = figures.base_area;
        figures.centre_supported = true;
        return figures;
    }
    find_contacts(s, index, contacts);
    figures.supported_area = covered_area(base, contacts);
    figures.centre_supported = centre_inside_hull(base, contacts);
    return figures;
}

std::size_t support_map::index_of(const box_list& boxes, const box* b)
{
    if (indices_.empty())
        for (std::size_t i = 0; i < boxes.size(); ++i)
            indices_.emplace(boxes[i].get(), i);
    return indices_.at(b);
}

// The boxes whose base lies on the level of b's top, over it: whatever rests on b there.
void support_map::add_resting_on(const scene& s, const box& b, std::vector<std::size_t>& found)
{
    if (!has_face(b))
        return;
    const flat_rect top = flat_rect::base_of(b);
    for (const box* over : s.grid.boxes_meeting(layer_in_grid(s.grid, top, top_level(b))))
        if (over->position.py == top_level(b))
            found.push_back(index_of(s.boxes, over));
    others_->bases.query(bgi::intersects(top_face(b)),
                         boost::make_function_output_iterator(
                             [&](const entry& e) { found.push_back(e.second); }));
}

void support_map::refresh(const box_list& boxes, const occupancy_grid& grid)
{
    const scene s{boxes, grid};
    std::vector<std::size_t> stale;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const box& b = *boxes[i];
        if (same_place(placed_[i], b.position))
            continue;
        stale.push_back(i);
        const box before(placed_[i], b.dimension);
        placed_[i] = b.position;
        if (has_face(before) && !in_grid(grid, before)) {
            others_->tops.remove(entry(top_face(before), i));
            others_->bases.remove(entry(base_face(before), i));
        }
        if (has_face(b) && !in_grid(grid, b)) {
            others_->tops.insert(entry(top_face(b), i));
            others_->bases.insert(entry(base_face(b), i));
        }
        // A box's figures change when it moves, or when a box beneath it leaves or comes.
        add_resting_on(s, before, stale);
        add_resting_on(s, b, stale);
    }
    std::sort(stale.begin(), stale.end());
    stale.erase(std::unique(stale.begin(), stale.end()), stale.end());
    std::vector<flat_rect> contacts;
    for (std::size_t i : stale)
        figures_[i] = compute(s, i, contacts);
}
