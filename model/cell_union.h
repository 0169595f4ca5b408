#pragma once

#include <cstdint>
#include <vector>

struct cell_range;

// The number of cells that the blocks take, each cell once however many blocks hold it.
// Blocks that meet no other cost their volume only; each group of blocks that meet is swept
// on its own, so the cost grows with the overlaps, not with the whole packing.
int64_t cells_taken(const std::vector<cell_range>& blocks);
