#pragma once

#include "view3d/fault_marks.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class dimension;
struct box;
struct session;

// A session's boxes as the views draw them, kept between frames: each box's scene corners and
// shaded colour, from which a frame sends the faces it needs. A refresh before each frame
// compares every box with what was built for it and rebuilds only the boxes that moved,
// changed or changed shade (emphasised, muted by the fault marks), so a move costs one box,
// not the scene; the rebuilt boxes are kept as the changes a view redraws. The views of one
// session share one geometry (shared_for): each view refreshes it with its own state before
// it draws, and takes the changes since its own last frame through its own cursor.
class box_geometry {
public:
    static constexpr int vertices_per_box = 24;

    struct cuboid {
        float lower[3];
        float upper[3];
    };
    // What the refreshes since the last call changed: every rebuilt box's cuboid before and
    // after, or everything at once (a new scene).
    struct changes {
        bool everything = true;
        std::vector<cuboid> cuboids;
    };
    // How far a reader of the changes has taken them; a new cursor takes everything first.
    struct change_cursor {
        std::uint64_t epoch = 0;
        std::size_t next = 0;
    };

    // The geometry every view of session s shares, made on first use and kept while a view
    // holds it.
    static std::shared_ptr<box_geometry> shared_for(const session& s);

    // The corners a box is drawn between in the scene cuboid that stands for its container.
    static void corners(const dimension& container, const box& b, float lower[3], float upper[3]);
    // Writes the four corners of one face of the cuboid between lower and upper, three floats
    // each, and returns the end of what it wrote.
    static float* put_face(int face, const float lower[3], const float upper[3], float* xyz);
    // Writes all six faces in face-table order: vertices_per_box corners.
    static float* put_cuboid(const float lower[3], const float upper[3], float* xyz);

    void refresh(const session& s, int highlighted, const fault_marks& marks);
    changes take_changes(change_cursor& cursor) const;

    // Whether the last refresh was of s.
    bool draws(const session& s) const { return session_ == &s; }
    int box_count() const { return int(keys_.size()); }
    const float* lower(int index) const { return &corners_[std::size_t(index) * 6]; }
    const float* upper(int index) const { return &corners_[std::size_t(index) * 6 + 3]; }
    // The box's colour as drawn, red, green and blue.
    const float* colour(int index) const { return &colours_[std::size_t(index) * 3]; }

    // The boxes to draw, as runs of consecutive boxes (first box, count): a box with the
    // corners of an earlier one is left out, since each of its fragments lies at the depth of
    // the earlier box's and loses the depth test to it. Boxes piled in one place then cost
    // one box's pixels, not theirs times their number.
    const std::vector<std::pair<int, int>>& drawn_runs() const { return drawn_runs_; }

private:
    // What a box's corners and colour are built from.
    struct box_key {
        int px, py, pz, length, width, height;
        int rgb;  // the colour before shading, packed

        fault_marks::shade shade;
        bool same_place(const box_key& other) const;
        bool operator==(const box_key& other) const;
    };

    static box_key key_of(const session& s, std::size_t index, fault_marks::shade shade);
    static fault_marks::shade shade_of(int index, int highlighted, const fault_marks& marks);
    void rebuild_all(const session& s, int highlighted, const fault_marks& marks);
    void build_box(int index, const box_key& key);

    void note_change(int index);
    void find_drawn_runs();
    // The corners a moved box left and those it took.
    struct move {
        std::array<float, 6> left, taken;
    };
    std::array<float, 6> corners_of(int index) const;
    bool each_place_held_once(const std::vector<move>& moves) const;

    // Up to this many boxes moved, the drawn runs are checked where they moved, not found anew.
    static constexpr std::size_t few_moves = 8;

    const session* session_ = nullptr;
    // The cuboids rebuilt since the epoch began; a new epoch (a new scene, or a log grown past
    // what a whole frame costs) gives every reader everything.
    std::uint64_t epoch_ = 1;
    std::vector<cuboid> change_log_;
    int container_[3] = {0, 0, 0};
    std::vector<box_key> keys_;
    std::vector<float> corners_;
    std::vector<float> colours_;
    std::vector<std::pair<int, int>> drawn_runs_;
};
