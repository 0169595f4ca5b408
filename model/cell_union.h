#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct cell_range;

struct cells_taken {
    int64_t count = 0;      // each cell once however many blocks hold it
    bool overlap = false;   // some two blocks share a cell
};

// Blocks that meet no other cost their volume only; each group of blocks that meet is swept
// on its own, so the cost grows with the overlaps, not with the whole packing.
cells_taken count_cells(const std::vector<cell_range>& blocks);

// The indices of the blocks gathered in groups that share cells directly or through other
// blocks of the group; a block that meets no other is a group of its own, an empty block in
// no group. Each block is found once, however many others it meets.
std::vector<std::vector<std::size_t>> meeting_groups(const std::vector<cell_range>& blocks);
