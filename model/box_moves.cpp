#include "model/box_moves.h"

#include "model/cell_range.h"
#include "model/session.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <unordered_map>
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

// The layer of cells directly beneath the box's footprint.
// Among boxes that hold cells, falling one unit at a time in any order ends in the same
// state: a box that can fall stays able to until it moves itself, since only boxes above it
// in its own columns could enter the cells beneath it, and they cannot pass through it. So
// each box, from the lowest up, drops straight onto whatever already rests beneath it.
void settle_lowest_first(session& s)
{
    std::vector<std::size_t> order(s.boxes.size());
    std::iota(order.begin(), order.end(), 0);
    order.erase(std::remove_if(order.begin(), order.end(),
                               [&](std::size_t i) { return s.boxes[i]->position.py <= 0; }),
                order.end());
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return s.boxes[a]->position.py < s.boxes[b]->position.py;
    });
    for (std::size_t i : order) {
        box& b = *s.boxes[i];
        const int level = s.grid->resting_level(b);
        if (level < b.position.py)
            place(s, b, axis::y, level);
    }
}

// The unit-by-unit cascade (the lowest-numbered box that can fall falls one unit, then the
// search starts again), taken a run at a time: a box falls without a break until it rests
// or its fall lets a lower-numbered box fall. Needed once a flat box takes part: a box can
// fall through it, and where the flat box ends depends on when it fell.
class falls_in_cascade_order {
public:
    explicit falls_in_cascade_order(session& s) : s(s)
    {
        for (std::size_t i = 0; i < s.boxes.size(); ++i) {
            box& b = *s.boxes[i];
            index_of.emplace(&b, int(i));
            if (b.lies_flat())
                flat.push_back(int(i));
            else if (b.dimension.length() == 0 || b.dimension.width() == 0)
                place(s, b, axis::y, 0);  // no footprint: nothing ever holds it
        }
        for (int i = 0; i < int(s.boxes.size()); ++i)
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
                recheck(index_of.at(other));
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
        for (const box* other : s.grid->boxes_meeting(bottoms))
            freed_after(index_of.at(other), *other);
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

int settle(session& s, int highlighted)
{
    const bool tracked = highlighted >= 0 && std::size_t(highlighted) < s.boxes.size();
    const int highlighted_start = tracked ? s.boxes[std::size_t(highlighted)]->position.py : 0;
    if (std::any_of(s.boxes.begin(), s.boxes.end(),
                    [](const auto& b) { return b->lies_flat() && b->position.py > 0; }))
        settle_in_cascade_order(s);
    else
        settle_lowest_first(s);
    if (s.support)
        s.support->refresh(s.boxes, *s.grid);
    return tracked ? highlighted_start - s.boxes[std::size_t(highlighted)]->position.py : 0;
}

void settle_in_cascade_order(session& s)
{
    falls_in_cascade_order(s).run();
}

}  // namespace box_moves
