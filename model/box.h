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

    ::position position;
    ::dimension dimension;
    QString id;
    int32_t color = 0;
};
