#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct cell_range;

// The boxes taken so far, grouped by the block of cells they take, for the reading of every
// fault: the boxes of one block are found in one step, so that a file with thousands of boxes
// in one place is counted in proportion to its boxes, not to its overlapping pairs.
class block_groups {
public:
    block_groups();
    ~block_groups();
    block_groups(const block_groups&) = delete;
    block_groups& operator=(const block_groups&) = delete;

    // The box at index takes block; indices come in ascending order.
    void add(const cell_range& block, int index);

    // The boxes whose blocks meet range: returns how many in all, and puts the smallest
    // `wanted` of their indices into first, ascending.
    int64_t meeting(const cell_range& range, int64_t wanted, std::vector<int>& first) const;

private:
    struct index;
    std::unique_ptr<index> groups;
};
