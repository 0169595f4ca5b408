#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class dimension;
struct box;
struct cell_range;

// The cells of the container taken by boxes, addressed [x][z][y]. It keeps one block of cells
// per box that covers any, in a spatial index, so its memory and the time of every query grow
// with the number of boxes, never with the container's volume: a millimetre container of any
// size the 16-bit extents allow costs nothing until boxes are placed in it.
class occupancy_grid {
public:
    explicit occupancy_grid(const dimension& container);
    // Taking the cells of all these boxes at once packs the index in one pass, much faster
    // than taking them one by one.
    occupancy_grid(const dimension& container, const std::vector<std::unique_ptr<box>>& boxes);
    ~occupancy_grid();

    occupancy_grid(const occupancy_grid&) = delete;
    occupancy_grid& operator=(const occupancy_grid&) = delete;

    int length() const { return length_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // One cell, for tests and tools; the moves and the check ask about whole blocks.
    bool cell(int x, int z, int y) const;
    bool any_taken(const cell_range& range) const;

    // The boxes whose cells meet the range, in no particular order.
    std::vector<const box*> boxes_meeting(const cell_range& range) const;

    // The lowest py the box could fall to in its own columns: the top of the highest cell
    // taken beneath it, or 0. The box itself is not in the way.
    int resting_level(const box& b) const;

    // Takes the cells of the box at its current position, or gives them back. A box with an
    // extent of 0 covers no cell and changes nothing.
    void take(const box& b);
    void release(const box& b);

    int64_t taken_count() const;

private:
    struct index;

    int length_;
    int width_;
    int height_;
    std::unique_ptr<index> blocks;
};
