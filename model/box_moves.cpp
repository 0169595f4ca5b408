#include "model/box_moves.h"

#include "model/cell_range.h"
#include "model/cell_union.h"
#include "model/session.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

enum class axis { x, y, z };

// The layer of cells a box enters when it moves one unit.
struct layer_move {
    axis along;
    int leading;
    int step;         // change of the position field: -1 or +1
    int upper_bound;  // the leading layer must lie in [0, upper_bound)
};

bool describe_move(const session& s, int d, const box& b, layer_move& move)
{
    const position& p = b.position;
    const dimension& size = b.dimension;
    const dimension& container = *s.container;
    switch (d) {
    case towards_minus_x:
        move = {axis::x, p.px - 1, -1, container.length()};
        return true;
    case towards_plus_x:
        move = {axis::x, p.px + size.length(), +1, container.length()};
        return true;
    case towards_minus_z:
        move = {axis::z, p.pz - 1, -1, container.width()};
        return true;
    case towards_plus_z:
        move = {axis::z, p.pz + size.width(), +1, container.width()};
        return true;
    case towards_minus_y:
        move = {axis::y, p.py - 1, -1, container.height()};
        return true;
    default:
        return false;
    }
}

// The box's cross-section placed at coordinate c of the moving axis.
cell_range layer_at(const box& b, axis along, int c)
{
    cell_range r = cell_range::of(b);
    switch (along) {
    case axis::x: r.x0 = c; r.x1 = c + 1; break;
    case axis::y: r.y0 = c; r.y1 = c + 1; break;
    case axis::z: r.z0 = c; r.z1 = c + 1; break;
    }
    return r;
}

int& position_field(box& b, axis along)
{
    switch (along) {
    case axis::x: return b.position.px;
    case axis::y: return b.position.py;
    case axis::z: break;
    }
    return b.position.pz;
}

// The grid follows the box: its old block goes, the block at the new position comes.
void place(session& s, box& b, axis along, int new_coordinate)
{
    s.grid->release(b);
    position_field(b, along) = new_coordinate;
    s.grid->take(b);
}


bool footprints_meet(const box& a, const box& b)
{
    const cell_range p = cell_range::of(a);
    const cell_range q = cell_range::of(b);
    return p.x0 < q.x1 && q.x0 < p.x1 && p.z0 < q.z1 && q.z0 < p.z1;
}

// Among boxes that hold cells and share none, falling one unit at a time in any order ends in
// the same state: a box that can fall stays able to until it moves itself, since only boxes
// above it in its own columns could enter the cells beneath it, and they cannot pass through
// it. So each box, from the lowest up, drops straight onto whatever already rests beneath it.
void drop_lowest_first(session& s, const std::vector<int>& lowest_first)
{
    for (int i : lowest_first) {
        box& b = *s.boxes[std::size_t(i)];
        const int level = s.grid->resting_level(b);
        if (level < b.position.py)
            place(s, b, axis::y, level);
    }
}

std::vector<int> lowest_first(const session& s, std::vector<int> indices)
{
    std::stable_sort(indices.begin(), indices.end(), [&](int a, int b) {
        return s.boxes[std::size_t(a)]->position.py < s.boxes[std::size_t(b)]->position.py;
    });
    return indices;
}

// The unit-by-unit cascade (the lowest-numbered box that can fall falls one unit, then the
// search starts again) among the given boxes, taken a run at a time: a box falls without a
// break until it rests or its fall lets a lower-numbered box fall. The other boxes must be
// unable to fall whatever the order, and lie in no column of these.
class falls_in_cascade_order {
public:
    falls_in_cascade_order(session& s, const std::vector<int>& members) : s(s)
    {
        for (int i : members) {
            box& b = at(i);
            index_of.emplace(&b, i);
            if (b.lies_flat())
                flat.push_back(i);
            else if (b.dimension.length() == 0 || b.dimension.width() == 0)
                place(s, b, axis::y, 0);  // no footprint: nothing ever holds it
        }
        for (int i : members)
            recheck(i);
    }

    void run()
    {
        while (!can_fall.empty()) {
            const int k = *can_fall.begin();
            box& b = at(k);
            cell_range swept = cell_range::of(b);
            place(s, b, axis::y, b.position.py - run_length(k));
            recheck(k);
            if (b.covers_no_cell())
                continue;  // it freed and took nothing
            // Only boxes whose layer beneath lies where the box was or now is can change.
            swept.y0 = b.position.py;
            swept.y1 += 1;
            for (const box* other : s.grid->boxes_meeting(swept))
                recheck_member(other);
            for (int f : flat)
                if (footprints_meet(at(f), b))
                    recheck(f);
        }
    }

private:
    box& at(int i) const { return *s.boxes[std::size_t(i)]; }

    void recheck(int i)
    {
        if (at(i).position.py > 0 && box_moves::can_move(s, towards_minus_y, i))
            can_fall.insert(i);
        else
            can_fall.erase(i);
    }

    void recheck_member(const box* b)
    {
        const auto found = index_of.find(b);
        if (found != index_of.end())
            recheck(found->second);
    }

    // True when the box's only support is the faller, so that one more unit of its fall
    // frees it.
    bool held_only_by(const box& held, const box& faller) const
    {
        const std::vector<const box*> under = s.grid->boxes_meeting(cell_range::beneath(held));
        return std::all_of(under.begin(), under.end(),
                           [&](const box* b) { return b == &faller; });
    }

    // Units the box k falls before it rests or a lower-numbered box can fall: one whose layer
    // beneath lies in k's cells and is held by k alone is freed once k's top has gone below
    // that layer. Boxes that overlap k count too, for a packing checked for every fault.
    int run_length(int k) const
    {
        const box& b = at(k);
        int units = b.position.py - s.grid->resting_level(b);
        if (b.covers_no_cell())
            return units;
        const cell_range body = cell_range::of(b);
        const auto freed_after = [&](int j, const box& held) {
            const int level = held.position.py;
            if (j < k && level > body.y0 && level <= body.y1 && held_only_by(held, b))
                units = std::min(units, body.y1 - level + 1);
        };
        cell_range bottoms = body;  // where the bottom of such a box lies
        bottoms.y0 += 1;
        bottoms.y1 += 1;
        for (const box* other : s.grid->boxes_meeting(bottoms)) {
            const auto found = index_of.find(other);
            if (found != index_of.end())
                freed_after(found->second, *other);
        }
        for (int f : flat)
            if (footprints_meet(at(f), b))
                freed_after(f, at(f));
        return units;
    }

    session& s;
    std::vector<int> flat;
    std::unordered_map<const box*, int> index_of;
    std::set<int> can_fall;  // indices, the lowest first
};

// True when two of the boxes share a cell.
bool any_two_share_cells(const session& s, const std::vector<int>& boxes)
{
    std::unordered_set<const box*> members;
    for (int i : boxes)
        members.insert(s.boxes[std::size_t(i)].get());
    return std::any_of(boxes.begin(), boxes.end(), [&](int i) {
        const box* b = s.boxes[std::size_t(i)].get();
        const std::vector<const box*> met = s.grid->boxes_meeting(cell_range::of(*b));
        return std::any_of(met.begin(), met.end(),
                           [&](const box* m) { return m != b && members.count(m) != 0; });
    });
}

// A flat box falls only when no lower-numbered box can, so where it ends may depend on when
// the boxes in its columns fell past its level. It does not when none started at or above its
// level and ended below it: every box beneath it at the end was beneath it all along, so it
// follows them down and ends on the highest of them, wherever it stands in the order.
bool passed_by_a_fall(const session& s, const box& flat_box,
                      const std::unordered_map<const box*, int>& start_py)
{
    cell_range below = cell_range::of(flat_box);
    below.y0 = 0;
    below.y1 = flat_box.position.py;
    const std::vector<const box*> met = s.grid->boxes_meeting(below);
    return std::any_of(met.begin(), met.end(), [&](const box* b) {
        const auto found = start_py.find(b);
        return found != start_py.end() && found->second >= flat_box.position.py;
    });
}

// True when a box that did not move holds the flat box where it lies: it held it all along,
// so the flat box never moved either, whatever passed it.
bool held_by_a_box_that_stayed(const session& s, const box& flat_box,
                               const std::unordered_map<const box*, int>& start_py)
{
    const std::vector<const box*> under = s.grid->boxes_meeting(cell_range::beneath(flat_box));
    return std::any_of(under.begin(), under.end(), [&](const box* b) {
        const auto found = start_py.find(b);
        return found == start_py.end() || found->second == b->position.py;
    });
}

// Boxes whose footprints meet no other's of the group never stand in each other's columns,
// so each such group settles on its own, in the cascade's order or by a shorter way to the
// same end.
void settle_group(session& s, const std::vector<int>& group)
{
    std::vector<int> holding, holding_none;
    for (int i : group)
        (s.boxes[std::size_t(i)]->covers_no_cell() ? holding_none : holding).push_back(i);
    if (holding.empty() || any_two_share_cells(s, holding)) {
        falls_in_cascade_order(s, group).run();
        return;
    }
    std::unordered_map<const box*, int> start_py;
    for (int i : group)
        start_py.emplace(s.boxes[std::size_t(i)].get(), s.boxes[std::size_t(i)]->position.py);
    const auto [first, last] = std::minmax_element(holding.begin(), holding.end());
    // Numbered before every box that holds cells, a flat box falls first, as far as it can;
    // numbered after them all, only once they all rest, onto whatever then lies beneath it.
    std::vector<int> before;
    std::copy_if(holding_none.begin(), holding_none.end(), std::back_inserter(before),
                 [&](int i) { return i < *first; });
    drop_lowest_first(s, before);
    drop_lowest_first(s, holding);
    if (std::all_of(holding_none.begin(), holding_none.end(), [&](int i) {
            const box& flat_box = *s.boxes[std::size_t(i)];
            return i > *last || !passed_by_a_fall(s, flat_box, start_py)
                   || held_by_a_box_that_stayed(s, flat_box, start_py);
        })) {
        drop_lowest_first(s, holding_none);
        return;
    }
    for (int i : group) {
        box& b = *s.boxes[std::size_t(i)];
        place(s, b, axis::y, start_py.at(&b));
    }
    falls_in_cascade_order(s, group).run();
}

// Groups of the boxes whose footprints meet, directly or through others of the group, each
// taken the lowest first. A box without a footprint is a group of its own.
std::vector<std::vector<int>> footprint_groups(const session& s, const std::vector<int>& boxes)
{
    std::vector<cell_range> footprints;
    std::vector<std::vector<int>> groups;
    for (int i : boxes) {
        cell_range r = cell_range::of(*s.boxes[std::size_t(i)]);
        r.y0 = 0;
        r.y1 = 1;
        footprints.push_back(r);
        if (r.is_empty())
            groups.push_back({i});
    }
    for (const std::vector<std::size_t>& met : meeting_groups(footprints)) {
        std::vector<int> group;
        for (std::size_t k : met)
            group.push_back(boxes[k]);
        groups.push_back(lowest_first(s, std::move(group)));
    }
    return groups;
}

}  // namespace

namespace box_moves {

bool can_move(const session& s, int d, int index)
{
    const box& b = *s.boxes[static_cast<std::size_t>(index)];
    layer_move move;
    if (!describe_move(s, d, b, move))
        return false;
    if (move.leading < 0 || move.leading >= move.upper_bound)
        return false;
    return !s.grid->any_taken(layer_at(b, move.along, move.leading));
}

void shift(session& s, int d, int index)
{
    box& b = *s.boxes[static_cast<std::size_t>(index)];
    layer_move move;
    if (describe_move(s, d, b, move))
        place(s, b, move.along, position_field(b, move.along) + move.step);
}

std::vector<int> boxes_that_may_fall(const session& s, const std::vector<int>& among)
{
    std::unordered_set<const box*> may_fall;
    std::vector<int> found;
    for (int i : lowest_first(s, among)) {
        const box& b = *s.boxes[std::size_t(i)];
        if (b.position.py <= 0)
            continue;
        const std::vector<const box*> under = s.grid->boxes_meeting(cell_range::beneath(b));
        if (std::all_of(under.begin(), under.end(),
                        [&](const box* u) { return may_fall.count(u) != 0; })) {
            may_fall.insert(&b);
            found.push_back(i);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

int settle(session& s, int highlighted)
{
    const bool tracked = highlighted >= 0 && std::size_t(highlighted) < s.boxes.size();
    const int highlighted_start = tracked ? s.boxes[std::size_t(highlighted)]->position.py : 0;
    std::vector<int> all(s.boxes.size());
    std::iota(all.begin(), all.end(), 0);
    if (std::any_of(s.boxes.begin(), s.boxes.end(),
                    [](const auto& b) { return b->lies_flat() && b->position.py > 0; }))
        settle_in_cascade_order(s);
    else
        drop_lowest_first(s, lowest_first(s, all));
    if (s.support)
        s.support->refresh(s.boxes, *s.grid);
    return tracked ? highlighted_start - s.boxes[std::size_t(highlighted)]->position.py : 0;
}

void settle_in_cascade_order(session& s)
{
    std::vector<int> all(s.boxes.size());
    std::iota(all.begin(), all.end(), 0);
    // The others stay where they are whatever the order: they are obstacles only.
    for (const std::vector<int>& group : footprint_groups(s, boxes_that_may_fall(s, all)))
        settle_group(s, group);
}

}  // namespace box_moves
