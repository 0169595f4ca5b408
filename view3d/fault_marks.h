#pragma once

#include <cstddef>
#include <vector>

struct session;

// What the views draw to show a session's faults among its boxes: the boxes at fault keep
// their colours and the others are muted; every overlap's shared block is drawn as a cuboid
// of its own and every box at fault gets its edges, over the whole scene, so that a fault
// inside a stack shows too. The chosen fault's block and boxes are drawn in colours of their
// own (fault_marks.cpp says which). A session without faults has no marks and is drawn as ever.
class fault_marks {
public:
    enum class shade { plain, muted, bright };

    // The cuboids of one colour: shared blocks as quads with the boxes' texture coordinates,
    // box edges as lines; scene coordinates.
    struct layer {
        std::vector<float> faces;
        std::vector<short> texture;
        std::vector<float> edges;
    };

    // Built again only when the session, its count of faults or the chosen fault changed;
    // true when it was.
    bool refresh(const session& s, int chosen_fault);

    bool empty() const { return at_fault_.empty(); }
    // The box's faces: the chosen fault's boxes bright, as a picked box, other boxes at fault
    // plain, every other box muted; all plain in a session without faults.
    shade shade_of(int box) const;

    // Draws both layers over the scene: needs the view's context current, its transform
    // loaded and the texture bound.
    void draw() const;

private:
    void build(const session& s);
    void add_fault(const session& s, std::size_t fault, layer& to);
    void add_edges(const session& s);

    const session* session_ = nullptr;
    std::size_t fault_count_ = 0;
    int chosen_fault_ = -1;
    std::vector<char> at_fault_;   // per box; empty for a session without faults
    std::vector<char> in_chosen_;  // per box, in the chosen fault
    layer ordinary_;
    layer chosen_;
};
