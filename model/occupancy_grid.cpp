#include "model/occupancy_grid.h"

#include "model/cell_range.h"
#include "model/dimension.h"

int64_t occupancy_grid::bytes_needed(const dimension& container)
{
    const int64_t cells = int64_t(container.length()) * container.width() * container.height();
    return (cells + 7) / 8;
}

bool occupancy_grid::fits_budget(const dimension& container)
{
    return bytes_needed(container) <= memory_budget;
}

occupancy_grid::occupancy_grid(const dimension& container)
    : length_(container.length()),
      width_(container.width()),
      height_(container.height()),
      cells_(std::size_t(length_) * std::size_t(width_) * std::size_t(height_), false)
{
}

bool occupancy_grid::contains(int x, int z, int y) const
{
    return x >= 0 && x < length_ && z >= 0 && z < width_ && y >= 0 && y < height_;
}

void occupancy_grid::set_cells(const cell_range& range, bool taken)
{
    range.find([&](int x, int z, int y) {
        set_cell(x, z, y, taken);
        return false;
    });
}

bool occupancy_grid::any_taken(const cell_range& range) const
{
    return range.find([&](int x, int z, int y) { return cell(x, z, y); });
}

int64_t occupancy_grid::taken_count() const
{
    int64_t count = 0;
    for (bool taken : cells_)
        count += taken;
    return count;
}
