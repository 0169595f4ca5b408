#include "model/cell_union.h"

#include "model/cell_block.h"
#include "model/cell_range.h"

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

#include <algorithm>
#include <utility>

namespace bgi = boost::geometry::index;

namespace {

using block = cell_block::block;
using entry = std::pair<block, std::size_t>;

int64_t volume(const cell_range& r)
{
    return int64_t(r.x1 - r.x0) * (r.z1 - r.z0) * (r.y1 - r.y0);
}

std::vector<int> sorted_unique(std::vector<int> values)
{
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

// How much of the y axis is covered by at least one of the intervals added and not removed.
class covered_length {
public:
    explicit covered_length(std::vector<int> ys)
        : ys(std::move(ys)), count(4 * this->ys.size()), covered(4 * this->ys.size())
    {
    }

    void add(int y0, int y1, int change) { update(1, 0, last(), at(y0), at(y1), change); }
    int64_t length() const { return covered[1]; }

private:
    std::size_t last() const { return ys.size() - 1; }
    std::size_t at(int y) const { return std::size_t(std::lower_bound(ys.begin(), ys.end(), y) - ys.begin()); }

    // Node covers the elementary spans [l, r) between the sorted coordinates.
    void update(std::size_t node, std::size_t l, std::size_t r, std::size_t a, std::size_t b,
                int change)
    {
        if (b <= l || r <= a)
            return;
        if (a <= l && r <= b) {
            count[node] += change;
        } else {
            const std::size_t m = (l + r) / 2;
            update(2 * node, l, m, a, b, change);
            update(2 * node + 1, m, r, a, b, change);
        }
        if (count[node] > 0)
            covered[node] = int64_t(ys[r]) - ys[l];
        else
            covered[node] = r - l == 1 ? 0 : covered[2 * node] + covered[2 * node + 1];
    }

    std::vector<int> ys;
    std::vector<int> count;
    std::vector<int64_t> covered;
};

// The area that rectangles in (z, y) cover, by a sweep along z.
int64_t covered_area(const std::vector<const cell_range*>& rectangles)
{
    struct edge {
        int z;
        int change;
        const cell_range* r;
    };
    std::vector<edge> edges;
    std::vector<int> ys;
    for (const cell_range* r : rectangles) {
        edges.push_back({r->z0, +1, r});
        edges.push_back({r->z1, -1, r});
        ys.push_back(r->y0);
        ys.push_back(r->y1);
    }
    std::sort(edges.begin(), edges.end(), [](const edge& a, const edge& b) { return a.z < b.z; });
    covered_length cover(sorted_unique(std::move(ys)));
    int64_t area = 0;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (i > 0)
            area += cover.length() * (edges[i].z - edges[i - 1].z);
        cover.add(edges[i].r->y0, edges[i].r->y1, edges[i].change);
    }
    return area;
}

// Cells of a group of blocks that meet, slab by slab along x. The blocks across a slab are
// kept from one slab to the next, joined where they start and left where they end, so that a
// long chain along x costs the blocks of each slab, not the whole group for every slab.
int64_t cells_of_group(std::vector<const cell_range*> group)
{
    std::vector<int> xs;
    for (const cell_range* r : group) {
        xs.push_back(r->x0);
        xs.push_back(r->x1);
    }
    xs = sorted_unique(std::move(xs));
    std::sort(group.begin(), group.end(),
              [](const cell_range* a, const cell_range* b) { return a->x0 < b->x0; });
    std::vector<const cell_range*> across;
    std::size_t next = 0;
    int64_t cells = 0;
    for (std::size_t s = 0; s + 1 < xs.size(); ++s) {
        across.erase(std::remove_if(across.begin(), across.end(),
                                    [&](const cell_range* r) { return r->x1 <= xs[s]; }),
                     across.end());
        for (; next < group.size() && group[next]->x0 <= xs[s]; ++next)
            across.push_back(group[next]);
        if (!across.empty())
            cells += int64_t(xs[s + 1] - xs[s]) * covered_area(across);
    }
    return cells;
}

}  // namespace

std::vector<std::vector<std::size_t>> meeting_groups(const std::vector<cell_range>& blocks)
{
    std::vector<entry> entries;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (!blocks[i].is_empty())
            entries.emplace_back(cell_block::closed(blocks[i]), i);
    bgi::rtree<entry, bgi::quadratic<16>> left(entries);  // packed at once
    std::vector<bool> grouped(blocks.size());
    std::vector<std::vector<std::size_t>> groups;
    for (const entry& seed : entries) {
        if (grouped[seed.second])
            continue;
        std::vector<entry> met;
        left.query(bgi::intersects(seed.first), std::back_inserter(met));
        groups.emplace_back();
        std::vector<std::size_t>& group = groups.back();
        if (met.size() == 1) {  // itself only: most blocks, in a packing that loads
            group.push_back(seed.second);
            grouped[seed.second] = true;
            continue;
        }
        // A group is gathered by taking its blocks out of the index as they are found, so
        // that no block is found twice however many others it meets.
        std::vector<block> to_visit;
        for (;;) {
            for (const entry& e : met) {
                left.remove(e);
                grouped[e.second] = true;
                group.push_back(e.second);
                to_visit.push_back(e.first);
            }
            if (to_visit.empty())
                break;
            met.clear();
            left.query(bgi::intersects(to_visit.back()), std::back_inserter(met));
            to_visit.pop_back();
        }
    }
    return groups;
}

cells_taken count_cells(const std::vector<cell_range>& blocks)
{
    cells_taken cells;
    for (const std::vector<std::size_t>& group : meeting_groups(blocks)) {
        if (group.size() == 1) {
            cells.count += volume(blocks[group.front()]);
            continue;
        }
        std::vector<const cell_range*> members;
        for (std::size_t i : group)
            members.push_back(&blocks[i]);
        cells.count += cells_of_group(members);
        cells.overlap = true;
    }
    return cells;
}
