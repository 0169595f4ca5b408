#pragma once

#include <array>
#include <cstddef>
#include <set>
#include <vector>

class dimension;
struct packing_fault;
struct session;

// What the views draw to show a session's faults among its boxes. Every box of a session with
// faults is drawn in greys (lighter for the boxes at fault), so that the marks alone carry
// colour: each overlap's shared block in magenta and each part of a box outside the container
// in green, hues no palette entry comes near, drawn over the whole scene so that a fault inside
// a stack shows, and never less than least_width pixels across in any view, however few cells
// they cover. The edges of each box at fault are thin lines of its fault's colour. While a fault
// is chosen the other marks are reduced to thin outlines and the chosen fault's marks are drawn
// last, over them, with its boxes' edges in white. A session without faults has no marks.
class fault_marks {
public:
    enum class shade { plain, bright, muted, faulty, lit };

    struct rgb {
        float red, green, blue;
    };
    static constexpr rgb overlap_colour = {1.0f, 0.0f, 1.0f};
    static constexpr rgb outside_colour = {0.0f, 1.0f, 0.0f};
    static constexpr rgb chosen_edge_colour = {1.0f, 1.0f, 1.0f};
    // Under a box that fails a support check, the part of its base that rests on nothing.
    static constexpr rgb overhang_colour = {0.0f, 1.0f, 1.0f};
    // The least a mark spans on screen, in pixels, whatever its size in cells.
    static constexpr float least_width = 4.0f;

    // Lines and points in scene coordinates, faces as quads.
    struct layer {
        std::vector<float> faces;
        std::vector<float> outlines;   // the marks' edges, drawn least_width wide
        std::vector<float> centres;    // a point in each mark, drawn least_width across
        std::vector<float> box_edges;  // the edges of the boxes at fault
    };

    // Built again only when what the marks are drawn from changed (two sessions in turn at one
    // address, pictures of several files, still get marks of their own); true when they were.
    bool refresh(const session& s, int chosen_fault);

    bool empty() const { return at_fault_.empty(); }
    // The box's faces: in a session without faults, bright when highlighted and plain
    // otherwise; else greys, lit for the highlighted box and the chosen fault's boxes.
    shade shade_of(int box, int highlighted) const;

    // Draws the marks over the scene: needs the view's context current and its transform
    // loaded.
    void draw() const;

    // The scene cuboid around a fault's boxes, and so around its marks; false for a fault
    // that names no box.
    static bool bounds_of(const session& s, const packing_fault& f, float lower[3],
                          float upper[3]);

private:
    // The cuboids marked so far, by their corners.
    using placed = std::set<std::array<float, 6>>;

    static bool first_in_place(const float lower[3], const float upper[3], placed& places);
    void add_overhang(const session& s, int index);
    static std::vector<long long> key_of(const session& s, int chosen_fault);
    void build(const session& s);
    void add_fault(const session& s, std::size_t fault, placed& blocks);
    void add_edges(const session& s);
    layer& layer_of(const packing_fault& f);

    std::vector<long long> key_;    // what the marks were built from
    int chosen_fault_ = -1;
    std::vector<char> at_fault_;    // per box: 0, or 1 + the index of its layer
    std::vector<char> in_chosen_;   // per box, in the chosen fault
    layer overlap_;
    layer outside_;
    layer chosen_;
    std::vector<float> chosen_edges_;
    layer overhang_;
    std::vector<char> overhang_drawn_;  // per box
    rgb chosen_colour_ = overlap_colour;
};
