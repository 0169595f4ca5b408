#include "model/box_moves.h"

#include "model/cell_range.h"
#include "model/session.h"

#include <algorithm>
#include <numeric>
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

// Falling one unit at a time in any order ends in the same state: a box that can fall stays
// able to until it moves itself, since only boxes above it in its own columns could enter the
// cells beneath it, and they cannot pass through it. So each box, from the lowest up, drops
// straight onto whatever already rests beneath it.
int settle(session& s, int highlighted)
{
    std::vector<std::size_t> order(s.boxes.size());
    std::iota(order.begin(), order.end(), 0);
    order.erase(std::remove_if(order.begin(), order.end(),
                               [&](std::size_t i) { return s.boxes[i]->position.py <= 0; }),
                order.end());
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return s.boxes[a]->position.py < s.boxes[b]->position.py;
    });

    const bool tracked = highlighted >= 0 && std::size_t(highlighted) < s.boxes.size();
    const int highlighted_start = tracked ? s.boxes[std::size_t(highlighted)]->position.py : 0;
    for (std::size_t i : order) {
        box& b = *s.boxes[i];
        const int level = s.grid->resting_level(b);
        if (level < b.position.py)
            place(s, b, axis::y, level);
    }
    return tracked ? highlighted_start - s.boxes[std::size_t(highlighted)]->position.py : 0;
}

}  // namespace box_moves
