#include "model/support_map.h"

#include "model/box.h"
#include "model/support_geometry.h"

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

#include <algorithm>
#include <utility>

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

// A face is a flat rectangle at a level: a closed box of no height in (x, z, y). Closed
// rectangles also meet along an edge; the contacts keep only what has an area.
using corner = bg::model::point<int64_t, 3, bg::cs::cartesian>;
using face = bg::model::box<corner>;
using entry = std::pair<face, std::size_t>;
using face_tree = bgi::rtree<entry, bgi::quadratic<16>>;

face face_at(const flat_rect& r, int64_t level)
{
    return face(corner(r.x0, r.z0, level), corner(r.x1, r.z1, level));
}

int64_t top_level(const box& b)
{
    return int64_t(b.position.py) + b.dimension.height();
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

}  // namespace

struct support_map::index {
    face_tree tops;
    face_tree bases;
};

support_map::support_map(const box_list& boxes)
{
    std::vector<entry> tops, bases;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const box& b = *boxes[i];
        placed_.push_back(b.position);
        if (!has_face(b))
            continue;
        const flat_rect r = flat_rect::base_of(b);
        tops.emplace_back(face_at(r, top_level(b)), i);
        bases.emplace_back(face_at(r, b.position.py), i);
    }
    // Packed at once, much faster than entry by entry.
    faces_ = std::make_unique<index>(index{face_tree(tops), face_tree(bases)});
    figures_.reserve(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i)
        figures_.push_back(compute(boxes, i));
}

support_map::~support_map() = default;

std::vector<flat_rect> support_map::contacts(const box_list& boxes, std::size_t index) const
{
    std::vector<flat_rect> found;
    const box& b = *boxes[index];
    if (b.position.py == 0 || !has_face(b))
        return found;
    const flat_rect base = flat_rect::base_of(b);
    faces_->tops.query(bgi::intersects(face_at(base, b.position.py)),
                       boost::make_function_output_iterator([&](const entry& e) {
                           if (e.second == index)
                               return;  // a box of height 0 is not its own support
                           const corner& low = e.first.min_corner();
                           const corner& high = e.first.max_corner();
                           const flat_rect part = base.intersection(
                               {low.get<0>(), high.get<0>(), low.get<1>(), high.get<1>()});
                           if (!part.is_empty())
                               found.push_back(part);
                       }));
    return found;
}

box_support support_map::compute(const box_list& boxes, std::size_t index) const
{
    const box& b = *boxes[index];
    box_support s;
    const flat_rect base = flat_rect::base_of(b);
    s.base_area = base.area();
    if (b.position.py == 0) {
        s.on_floor = true;
        s.supported_area = s.base_area;
        s.centre_supported = true;
        return s;
    }
    const std::vector<flat_rect> parts = contacts(boxes, index);
    s.supported_area = covered_area(base, parts);
    s.centre_supported = centre_inside_hull(base, parts);
    return s;
}

void support_map::refresh(const box_list& boxes)
{
    std::vector<std::size_t> moved;
    std::vector<face> old_tops;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const box& b = *boxes[i];
        if (same_place(placed_[i], b.position))
            continue;
        moved.push_back(i);
        if (!has_face(b)) {
            placed_[i] = b.position;
            continue;
        }
        const box before(placed_[i], b.dimension);
        const flat_rect r = flat_rect::base_of(before);
        old_tops.push_back(face_at(r, top_level(before)));
        faces_->tops.remove(entry(old_tops.back(), i));
        faces_->bases.remove(entry(face_at(r, before.position.py), i));
        const flat_rect now = flat_rect::base_of(b);
        faces_->tops.insert(entry(face_at(now, top_level(b)), i));
        faces_->bases.insert(entry(face_at(now, b.position.py), i));
        placed_[i] = b.position;
    }
    // A box's figures change when it moves, or when a box beneath it leaves or comes.
    std::vector<std::size_t> stale = moved;
    const auto resting_on = [&](const face& top) {
        faces_->bases.query(bgi::intersects(top),
                            boost::make_function_output_iterator(
                                [&](const entry& e) { stale.push_back(e.second); }));
    };
    for (const face& top : old_tops)
        resting_on(top);
    for (std::size_t i : moved)
        if (has_face(*boxes[i]))
            resting_on(face_at(flat_rect::base_of(*boxes[i]), top_level(*boxes[i])));
    std::sort(stale.begin(), stale.end());
    stale.erase(std::unique(stale.begin(), stale.end()), stale.end());
    for (std::size_t i : stale)
        figures_[i] = compute(boxes, i);
}
