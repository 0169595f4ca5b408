#pragma once

#include <cstdint>
#include <vector>

struct session;

// Figures of one packing, for the checker's report.
struct packing_statistics {
    // A session whose container may be missing (a file that failed before its container)
    // and whose boxes may overlap or stick out (a file checked for every fault).
    static packing_statistics of(const session& s);

    int box_count = 0;
    int64_t container_volume = 0;
    int64_t packed_volume = 0;  // the boxes' volumes added up
    double fill_rate = 0;       // packed volume in percent of the container's; 0 when it is empty
    // Indices of the boxes inside the container that settling would drop: above the floor,
    // with every cell of the layer directly beneath them free.
    std::vector<int> unsupported;
};
