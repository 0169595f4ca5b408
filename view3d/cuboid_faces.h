#pragma once

// The six faces every cuboid is drawn with, four corners each, in drawing order. A corner
// says which of the two cuboid corners gives each coordinate and carries its texture
// coordinate.
struct face_vertex {
    bool high_x, high_y, high_z;
    short s, t;
};

constexpr int faces_per_cuboid = 6;
constexpr int vertices_per_face = 4;

constexpr face_vertex cuboid_faces[faces_per_cuboid][vertices_per_face] = {
    {{false, false, false, 1, 0}, {true, false, false, 1, 1}, {true, true, false, 0, 1}, {false, true, false, 0, 0}},
    {{false, false, false, 0, 0}, {false, false, true, 1, 0}, {false, true, true, 1, 1}, {false, true, false, 0, 1}},
    {{false, false, false, 1, 1}, {true, false, false, 0, 1}, {true, false, true, 0, 0}, {false, false, true, 1, 0}},
    {{false, false, true, 1, 0}, {true, false, true, 1, 1}, {true, true, true, 0, 1}, {false, true, true, 0, 0}},
    {{false, true, false, 0, 1}, {true, true, false, 0, 0}, {true, true, true, 1, 0}, {false, true, true, 1, 1}},
    {{true, false, false, 1, 0}, {true, false, true, 1, 1}, {true, true, true, 0, 1}, {true, true, false, 0, 0}},
};

enum face_index { back_face = 0, left_face = 1, floor_face = 2 };
