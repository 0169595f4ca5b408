#pragma once

#include <cstdint>
#include <vector>

class dimension;
struct cell_range;

// One flag per unit cell of the container, addressed [x][z][y]. The cells are packed bits in
// one block, so a large container costs one bit per cell and no per-column overhead, and a
// vertical run of cells is a run of bits that whole words test and set at once.
class occupancy_grid {
public:
    // The most memory a grid may take; a larger container is refused by the reader.
    static constexpr int64_t memory_budget = int64_t(1) << 30;
    static int64_t bytes_needed(const dimension& container);
    static bool fits_budget(const dimension& container);

    // All cells free. The container must fit the budget.
    explicit occupancy_grid(const dimension& container);

    int length() const { return length_; }
    int width() const { return width_; }
    int height() const { return height_; }

    bool contains(int x, int z, int y) const;
    bool cell(int x, int z, int y) const;
    void set_cell(int x, int z, int y, bool taken);
    void set_cells(const cell_range& range, bool taken);
    bool any_taken(const cell_range& range) const;
    int64_t taken_count() const;

private:
    // Calls f(word, mask) for the words that hold bits [first, first + count).
    template <typename F>
    void for_each_word(std::size_t first, std::size_t count, F f) const;
    bool run_taken(std::size_t first, std::size_t count) const;
    void set_run(std::size_t first, std::size_t count, bool taken);

    std::size_t index(int x, int z, int y) const
    {
        return (std::size_t(x) * std::size_t(width_) + std::size_t(z)) * std::size_t(height_)
               + std::size_t(y);
    }

    int length_;
    int width_;
    int height_;
    std::vector<uint64_t> words_;
};
