#pragma once

#include "model/cell_range.h"

#include <QString>

#include <cstdint>

// One fault found in a session file: a fault of the format that stopped the reading, a box
// outside the container, or a box sharing cells with a box read before it; or, when asked
// for, a box resting on too little of its base, or whose centre is not supported.
struct packing_fault {
    enum class kind { format, outside, collision, support, centre };

    kind what = kind::format;
    QString message;          // format: the reader's message
    int index = -1;           // outside, collision: the box at fault, from 0 in file order
    QString id;
    int axes = 0;             // outside: the axis_flag bits of the axes where it sticks out
    int other_index = -1;     // collision: the earlier box
    QString other_id;
    cell_range shared{};      // collision: the block of cells both boxes take
    int64_t supported_area = 0;  // support, centre: the box's share of its base
    int64_t base_area = 0;
    int64_t centre_x2 = 0;       // centre: the centre of the base, coordinates doubled
    int64_t centre_z2 = 0;
    int32_t base_level = 0;      // centre: py

    // Support faults leave the geometry valid: boxes still move.
    bool concerns_support() const { return what == kind::support || what == kind::centre; }
};
