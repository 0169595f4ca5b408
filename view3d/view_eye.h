#pragma once

// Where a view looks from: its kind (0 the main view, which turns and zooms; 1, 2, 3 the fixed
// views along X, Y and Z), the main view's turn in degrees and the near plane's distance. The
// main view may be framed on a part of the scene: it then turns about the part's centre,
// scaled so that the part fills the view, instead of showing the whole container.
struct view_eye {
    int mode = 0;
    int rot_x = 35;
    int rot_y = 345;
    int rot_z = 0;
    float zoom = 2.6f;
    bool framed = false;
    float centre[3] = {0.0f, 0.0f, 0.0f};
    float scale = 1.0f;

    // Frames the main view on the scene cuboid between lower and upper, as its near plane
    // stands now.
    void frame(const float lower[3], const float upper[3]);

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
