#include "model/box_moves.h"

#include "model/cell_range.h"
#include "model/session.h"

namespace {

enum class axis { x, y, z };

// The layer of cells a box enters and the one it leaves when it moves one unit.
struct layer_move {
    axis along;
    int leading;
    int trailing;
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
        move = {axis::x, p.px - 1, p.px + size.length() - 1, -1, container.length()};
        return true;
    case towards_plus_x:
        move = {axis::x, p.px + size.length(), p.px, +1, container.length()};
        return true;
    case towards_minus_z:
        move = {axis::z, p.pz - 1, p.pz + size.width() - 1, -1, container.width()};
        return true;
    case towards_plus_z:
        move = {axis::z, p.pz + size.width(), p.pz, +1, container.width()};
        return true;
    case towards_minus_y:
        move = {axis::y, p.py - 1, p.py + size.height() - 1, -1, container.height()};
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
    if (!describe_move(s, d, b, move))
        return;
    // A box with an extent of 0 has no cells; its leading and trailing layers may even
    // coincide, so touching the grid would take cells that no box covers.
    if (!b.covers_no_cell()) {
        occupancy_grid& grid = *s.grid;
        const int offset = move.trailing - move.leading;
        layer_at(b, move.along, move.leading).find([&](int x, int z, int y) {
            switch (move.along) {
            case axis::x: grid.set_cell(x + offset, z, y, false); break;
            case axis::y: grid.set_cell(x, z, y + offset, false); break;
            case axis::z: grid.set_cell(x, z + offset, y, false); break;
            }
            grid.set_cell(x, z, y, true);
            return false;
        });
    }
    position_field(b, move.along) += move.step;
}

// The lowest-numbered box that can fall falls one unit, then the search starts again from
// the first box, until no box can fall.
int settle(session& s, int highlighted)
{
    int highlighted_fall = 0;
    const int box_count = int(s.boxes.size());
    for (int i = 0; i < box_count;) {
        if (!can_move(s, towards_minus_y, i)) {
            ++i;
            continue;
        }
        shift(s, towards_minus_y, i);
        if (i == highlighted)
            ++highlighted_fall;
        i = 0;
    }
    return highlighted_fall;
}

}  // namespace box_moves
