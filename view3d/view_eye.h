#pragma once

// Where a view looks from: its kind (0 the main view, which turns and zooms; 1, 2, 3 the fixed
// views along X, Y and Z), the main view's turn in degrees and the near plane's distance.
struct view_eye {
    int mode = 0;
    int rot_x = 35;
    int rot_y = 345;
    int rot_z = 0;
    float zoom = 2.6f;

    // The axis views keep a near plane of their own.
    void set_mode(int m)
    {
        mode = m;
        switch (m) {
        case 1: zoom = 7.5f; break;
        case 2: zoom = 4.5f; break;
        case 3: zoom = 5.5f; break;
        default: break;
        }
    }
};
