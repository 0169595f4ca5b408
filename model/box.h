#pragma once

#include "model/dimension.h"
#include "model/position.h"

#include <QString>

// One packed box. Views, tree and information pane all refer to the same record, so a move
// of the box is seen by every one of them.
struct box {
    box(const ::position& where, const ::dimension& size);

    // True when an extent is 0: such a box covers no cell of the grid.
    bool covers_no_cell() const;

    // True for a height of 0 with a footprint: it holds no cell, so a box above it falls
    // through it, yet a cell beneath its footprint holds it.
    bool lies_flat() const;

    ::position position;
    ::dimension dimension;
    QString id;
    int32_t color = 0;
};
