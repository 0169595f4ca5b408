#pragma once

#include <QRect>

#include <array>

// What a frame drawn under the current matrices and viewport must send of a box to come out
// as the plain drawing of every face would: nothing when the box lies wholly outside the
// part of the window drawn, else the faces turned towards the eye. A box beyond the near
// plane, seen from outside, hides its other faces behind those; one the near plane or the
// eye reaches may show its inside, and is sent whole.
class frame_reach {
public:
    // part is in window pixels (y up); a null part is the whole viewport.
    explicit frame_reach(const QRect& part = QRect());

    bool may_reach(const float lower[3], const float upper[3]) const;
    // Bit f set for face f of the face table.
    unsigned faces_to_draw(const float lower[3], const float upper[3]) const;

    static constexpr unsigned all_faces = 0x3f;

private:
    // a . p + d >= 0 on the inside.
    struct plane {
        double a[3];
        double d;
        bool reached_by(const float lower[3], const float upper[3]) const;
    };

    bool crosses_near_plane(const float lower[3], const float upper[3]) const;

    double eye_[3];
    plane beyond_near_;
    std::array<plane, 4> sides_;
};
