#pragma once

#include <vector>

struct session;

// One-unit moves of a box through its session's grid: the arrow keys use the first four,
// settling the last.
enum direction {
    towards_minus_x = 0,
    towards_plus_x = 1,
    towards_minus_z = 2,
    towards_plus_z = 3,
    towards_minus_y = 4,
};

namespace box_moves {

// True when the box at index may move one unit in direction d: the layer it would enter lies
// inside the container and none of its cells is taken.
bool can_move(const session& s, int d, int index);

// Moves the box one unit: changes its position and moves its cells with it. A box that
// covers no cell only changes its position.
void shift(session& s, int d, int index);

// Lets every box with free cells beneath it fall until all rest on the floor or on other
// boxes, and brings the session's support figures up to date. Returns how many units the
// box at highlighted fell (0 when it is not a valid index).
int settle(session& s, int highlighted);

// The end state of the unit-by-unit cascade for any session, even one whose boxes overlap
// (a packing checked for every fault), where falling lowest first would end elsewhere. The
// cost grows with the boxes that can fall, not with the height they fall.
void settle_in_cascade_order(session& s);

// Among the given boxes (indices, in any order), those that can fall in some order of the
// falls, in index order: a box above the floor whose every box in the layer beneath can fall
// too. Nothing else can enter that layer before such a box leaves it, since a box falling
// from above would have to pass through it; so when no two boxes share a cell and no flat box
// lies above the floor, these are exactly the boxes settling moves.
std::vector<int> boxes_that_may_fall(const session& s, const std::vector<int>& among);

}  // namespace box_moves
