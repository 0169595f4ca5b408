#include "model/occupancy_grid.h"

#include "model/cell_range.h"
#include "model/dimension.h"

#include <algorithm>

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
      words_((std::size_t(length_) * std::size_t(width_) * std::size_t(height_) + 63) / 64, 0)
{
}

template <typename F>
void occupancy_grid::for_each_word(std::size_t first, std::size_t count, F f) const
{
    const std::size_t end = first + count;
    for (std::size_t bit = first; bit < end;) {
        const std::size_t offset = bit % 64;
        const std::size_t span = std::min<std::size_t>(64 - offset, end - bit);
        const uint64_t mask = (span == 64 ? ~uint64_t(0) : ((uint64_t(1) << span) - 1)) << offset;
        if (f(bit / 64, mask))
            return;
        bit += span;
    }
}

bool occupancy_grid::run_taken(std::size_t first, std::size_t count) const
{
    bool taken = false;
    for_each_word(first, count, [&](std::size_t word, uint64_t mask) {
        taken = (words_[word] & mask) != 0;
        return taken;
    });
    return taken;
}

void occupancy_grid::set_run(std::size_t first, std::size_t count, bool taken)
{
    for_each_word(first, count, [&](std::size_t word, uint64_t mask) {
        uint64_t& bits = words_[word];
        bits = taken ? (bits | mask) : (bits & ~mask);
        return false;
    });
}

bool occupancy_grid::cell(int x, int z, int y) const
{
    return run_taken(index(x, z, y), 1);
}

void occupancy_grid::set_cell(int x, int z, int y, bool taken)
{
    set_run(index(x, z, y), 1, taken);
}

bool occupancy_grid::contains(int x, int z, int y) const
{
    return x >= 0 && x < length_ && z >= 0 && z < width_ && y >= 0 && y < height_;
}

void occupancy_grid::set_cells(const cell_range& range, bool taken)
{
    range.find_column([&](int x, int z) {
        set_run(index(x, z, range.y0), std::size_t(range.y1 - range.y0), taken);
        return false;
    });
}

bool occupancy_grid::any_taken(const cell_range& range) const
{
    return range.find_column([&](int x, int z) {
        return run_taken(index(x, z, range.y0), std::size_t(range.y1 - range.y0));
    });
}

int64_t occupancy_grid::taken_count() const
{
    int64_t count = 0;
    for (uint64_t bits : words_)
        count += __builtin_popcountll(bits);
    return count;
}
