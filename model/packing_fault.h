#pragma once

#include "model/cell_range.h"

#include <QString>

// One fault found in a session file: a fault of the format that stopped the reading, a box
// outside the container, or a box sharing cells with a box read before it.
struct packing_fault {
    enum class kind { format, outside, collision };

    kind what = kind::format;
    QString message;          // format: the reader's message
    int index = -1;           // outside, collision: the box at fault, from 0 in file order
    QString id;
    int axes = 0;             // outside: the axis_flag bits of the axes where it sticks out
    int other_index = -1;     // collision: the earlier box
    QString other_id;
    cell_range shared{};      // collision: the block of cells both boxes take
};
