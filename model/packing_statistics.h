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
    // The container's cells that boxes inside it take, each cell once: never more than the
    // container's volume, so exact in a JSON number too.
    int64_t packed_volume = 0;
    double fill_rate = 0;       // packed volume in percent of the container's; 0 when it is empty
    // Indices of the boxes inside the container that settling would move.
    std::vector<int> unsupported;
};
