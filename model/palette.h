#pragma once

#include <array>

// The sixteen box colours, shared by the 3D views and the information pane.
class palette {
public:
    struct rgb {
        int red;
        int green;
        int blue;
    };

    static const std::array<rgb, 16>& entries();

    // The entry for a box's colour number: the remainder modulo 16, taken non-negative so
    // that a negative number also names an entry (-1 gives entry 15).
    static const rgb& entry_for(int color);
};
