#include "model/support_geometry.h"

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>

#include <algorithm>

namespace bg = boost::geometry;

namespace {

std::vector<int64_t> sorted_x_edges(const flat_rect& base, const std::vector<flat_rect>& contacts)
{
    std::vector<int64_t> xs{base.x0, base.x1};
    for (const flat_rect& c : contacts) {
        xs.push_back(c.x0);
        xs.push_back(c.x1);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

bool pairwise_apart(const std::vector<flat_rect>& contacts)
{
    for (std::size_t i = 0; i < contacts.size(); ++i)
        for (std::size_t j = i + 1; j < contacts.size(); ++j)
            if (!contacts[i].intersection(contacts[j]).is_empty())
                return false;
    return true;
}

// Centre and corners in doubled coordinates from the base's corner: the centre of an odd
// extent stays whole, and the values stay far below 2^53, so the hull's arithmetic in double
// is exact.
using point = bg::model::d2::point_xy<double>;

point doubled(const flat_rect& base, int64_t x, int64_t z)
{
    return point(double(2 * (x - base.x0)), double(2 * (z - base.z0)));
}

}  // namespace

std::vector<flat_rect> uncovered_parts(const flat_rect& base, const std::vector<flat_rect>& contacts)
{
    // Slab by slab along x: in each, the gaps between the contacts that span it.
    std::vector<flat_rect> parts;
    const std::vector<int64_t> xs = sorted_x_edges(base, contacts);
    std::vector<std::pair<int64_t, int64_t>> spans;
    for (std::size_t s = 0; s + 1 < xs.size(); ++s) {
        const int64_t x0 = xs[s], x1 = xs[s + 1];
        if (x0 < base.x0 || x1 > base.x1)
            continue;
        spans.clear();
        for (const flat_rect& c : contacts)
            if (c.x0 <= x0 && c.x1 >= x1)
                spans.emplace_back(c.z0, c.z1);
        std::sort(spans.begin(), spans.end());
        int64_t z = base.z0;
        for (const auto& [z0, z1] : spans) {
            if (z0 > z)
                parts.push_back({x0, x1, z, z0});
            z = std::max(z, z1);
        }
        if (z < base.z1)
            parts.push_back({x0, x1, z, base.z1});
    }
    return parts;
}

int64_t covered_area(const flat_rect& base, const std::vector<flat_rect>& contacts)
{
    // Contacts on a packing without overlaps never overlap each other: their areas add up.
    // Checking it pair by pair pays only for the few contacts most boxes have.
    if (contacts.size() <= 32 && pairwise_apart(contacts)) {
        int64_t area = 0;
        for (const flat_rect& c : contacts)
            area += c.area();
        return area;
    }
    int64_t uncovered = 0;
    for (const flat_rect& part : uncovered_parts(base, contacts))
        uncovered += part.area();
    return base.area() - uncovered;
}

bool centre_inside_hull(const flat_rect& base, const std::vector<flat_rect>& contacts)
{
    if (contacts.empty())
        return false;
    const int64_t cx = base.x0 + base.x1, cz = base.z0 + base.z1;  // doubled
    // Most boxes: the centre lies inside one contact, so inside the hull.
    for (const flat_rect& c : contacts)
        if (2 * c.x0 < cx && cx < 2 * c.x1 && 2 * c.z0 < cz && cz < 2 * c.z1)
            return true;
    // Kept from call to call: in a load many boxes come here, and each would allocate both.
    thread_local bg::model::multi_point<point> corners;
    thread_local bg::model::polygon<point> hull;
    corners.clear();
    hull.clear();
    for (const flat_rect& c : contacts)
        for (const int64_t x : {c.x0, c.x1})
            for (const int64_t z : {c.z0, c.z1})
                corners.push_back(doubled(base, x, z));
    bg::convex_hull(corners, hull);
    // within is false on the boundary: the tipping point is not supported.
    return bg::within(point(double(cx - 2 * base.x0), double(cz - 2 * base.z0)), hull);
}
