#pragma once

class QStringList;
class dimension;
class occupancy_grid;
struct box;

enum axis_flag { axis_x = 1, axis_y = 2, axis_z = 4 };

// The axes along which the box sticks out of the container, as axis_flag bits; a coordinate
// below 0 sticks out too. 0 when the box lies inside.
int outside_axes(const dimension& container, const box& b);

// True when the box sticks out of the container or takes a cell already taken; the fault is
// then appended to report as an empty line, the message and another empty line. The grid is
// only read.
bool check_box(const occupancy_grid& grid, const dimension& container, const box& b,
               QStringList& report);

// Takes every cell of a box that passed check_box.
void mark_box(occupancy_grid& grid, const box& b);
