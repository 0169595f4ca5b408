#include "model/block_groups.h"

#include "model/cell_block.h"

#include <boost/functional/hash.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

#include <algorithm>
#include <functional>
#include <queue>
#include <tuple>
#include <unordered_map>

namespace bgi = boost::geometry::index;

namespace {

using entry = std::pair<cell_block::block, std::size_t>;  // a block and its group

struct range_key {
    int x0, x1, z0, z1, y0, y1;
    bool operator==(const range_key& o) const
    {
        return std::tie(x0, x1, z0, z1, y0, y1) == std::tie(o.x0, o.x1, o.z0, o.z1, o.y0, o.y1);
    }
};

struct range_hash {
    std::size_t operator()(const range_key& k) const
    {
        std::size_t seed = 0;
        for (int v : {k.x0, k.x1, k.z0, k.z1, k.y0, k.y1})
            boost::hash_combine(seed, v);
        return seed;
    }
};

}  // namespace

struct block_groups::index {
    bgi::rtree<entry, bgi::quadratic<16>> tree;
    std::unordered_map<range_key, std::size_t, range_hash> group_of;
    std::vector<std::vector<int>> members;  // each group's indices, ascending
};

block_groups::block_groups() : groups(std::make_unique<index>()) {}

block_groups::~block_groups() = default;

void block_groups::add(const cell_range& block, int index)
{
    if (block.is_empty())
        return;
    const range_key key{block.x0, block.x1, block.z0, block.z1, block.y0, block.y1};
    const auto [at, is_new] = groups->group_of.emplace(key, groups->members.size());
    if (is_new) {
        groups->members.emplace_back();
        groups->tree.insert(entry(cell_block::closed(block), at->second));
    }
    groups->members[at->second].push_back(index);
}

int64_t block_groups::meeting(const cell_range& range, int64_t wanted,
                              std::vector<int>& first) const
{
    first.clear();
    if (range.is_empty())
        return 0;
    std::vector<const std::vector<int>*> met;
    int64_t count = 0;
    groups->tree.query(bgi::intersects(cell_block::closed(range)),
                       boost::make_function_output_iterator([&](const entry& e) {
                           met.push_back(&groups->members[e.second]);
                           count += int64_t(met.back()->size());
                       }));
    if (wanted >= count) {
        for (const std::vector<int>* m : met)
            first.insert(first.end(), m->begin(), m->end());
        std::sort(first.begin(), first.end());
        return count;
    }
    // The smallest indices of ascending lists, merged only as far as wanted.
    using head = std::pair<int, std::pair<std::size_t, std::size_t>>;  // index, list, place
    std::priority_queue<head, std::vector<head>, std::greater<head>> heads;
    for (std::size_t g = 0; g < met.size(); ++g)
        heads.push({(*met[g])[0], {g, 0}});
    while (int64_t(first.size()) < wanted) {
        const auto [value, where] = heads.top();
        heads.pop();
        first.push_back(value);
        const auto [g, place] = where;
        if (place + 1 < met[g]->size())
            heads.push({(*met[g])[place + 1], {g, place + 1}});
    }
    return count;
}
