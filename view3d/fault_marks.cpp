#include "view3d/fault_marks.h"

#include "model/session.h"
#include "view3d/box_geometry.h"
#include "view3d/cuboid_faces.h"
#include "view3d/scene_drawing.h"

#include <QtGui/qopengl.h>

namespace {

// Shared blocks in fault red, the edges of the boxes at fault in thin orange lines, so that
// among many faults the blocks still read as blocks; the chosen fault's block in cyan and its
// boxes' edges as a picked box's outline, three pixels of green.
struct mark_style {
    float face[3];
    float edge[3];
    float edge_width;
};
constexpr mark_style fault_style = {{1.0f, 0.0f, 0.0f}, {1.0f, 0.6f, 0.0f}, 1.0f};
constexpr mark_style chosen_style = {{0.0f, 0.9f, 0.9f}, {0.0f, 0.9f, 0.0f}, 3.0f};
// The cuboid a block of cells is drawn as: the corners a box on those cells gets.
void block_corners(const session& s, const cell_range& c, float lower[3], float upper[3])
{
    const box block(position(c.x0, c.y0, c.z0),
                    dimension(c.x1 - c.x0, c.z1 - c.z0, c.y1 - c.y0));
    box_geometry::corners(*s.container, block, lower, upper);
}

void put_faces(const float lower[3], const float upper[3], fault_marks::layer& to)
{
    const std::size_t at = to.faces.size();
    to.faces.resize(at + box_geometry::vertices_per_box * 3);
    float* xyz = to.faces.data() + at;
    for (int face = 0; face < faces_per_cuboid; ++face) {
        xyz = box_geometry::put_face(face, lower, upper, xyz);
        for (const face_vertex& v : cuboid_faces[face]) {
            to.texture.push_back(v.s);
            to.texture.push_back(v.t);
        }
    }
}

// The twelve edges: along each axis, the four pairs of corners that differ on it alone.
void put_edges(const float lower[3], const float upper[3], std::vector<float>& to)
{
    for (int axis = 0; axis < 3; ++axis)
        for (int others = 0; others < 4; ++others)
            for (int end = 0; end < 2; ++end) {
                bool high[3];
                high[axis] = end;
                high[(axis + 1) % 3] = others & 1;
                high[(axis + 2) % 3] = others & 2;
                for (int k = 0; k < 3; ++k)
                    to.push_back(high[k] ? upper[k] : lower[k]);
            }
}

void draw_layer(const fault_marks::layer& l, const mark_style& style)
{
    glColor3fv(style.face);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, l.faces.data());
    glTexCoordPointer(2, GL_SHORT, 0, l.texture.data());
    glDrawArrays(GL_QUADS, 0, GLsizei(l.faces.size() / 3));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    // Edges in their plain colour, whatever texel a line would pick, and over the blocks: an
    // edge on a block's face would leave the colour to the rounding of equal depths.
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3fv(style.edge);
    glLineWidth(style.edge_width);
    glVertexPointer(3, GL_FLOAT, 0, l.edges.data());
    glDrawArrays(GL_LINES, 0, GLsizei(l.edges.size() / 3));
    // Left as every other line of the view is drawn.
    glLineWidth(scene_drawing::outline_width);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace

bool fault_marks::refresh(const session& s, int chosen_fault)
{
    if (session_ == &s && fault_count_ == s.faults.size() && chosen_fault_ == chosen_fault)
        return false;
    session_ = &s;
    fault_count_ = s.faults.size();
    chosen_fault_ = chosen_fault;
    build(s);
    return true;
}

fault_marks::shade fault_marks::shade_of(int box) const
{
    if (empty())
        return shade::plain;
    if (in_chosen_[std::size_t(box)])
        return shade::bright;
    return at_fault_[std::size_t(box)] ? shade::plain : shade::muted;
}

void fault_marks::build(const session& s)
{
    ordinary_ = layer();
    chosen_ = layer();
    at_fault_.clear();
    in_chosen_.clear();
    if (s.faults.empty())
        return;
    at_fault_.assign(s.boxes.size(), 0);
    in_chosen_.assign(s.boxes.size(), 0);
    for (std::size_t f = 0; f < s.faults.size(); ++f)
        add_fault(s, f, int(f) == chosen_fault_ ? chosen_ : ordinary_);
    add_edges(s);
}

void fault_marks::add_fault(const session& s, std::size_t fault, layer& to)
{
    const packing_fault& f = s.faults[fault];
    std::vector<char>& marked = &to == &chosen_ ? in_chosen_ : at_fault_;
    for (int index : {f.index, f.other_index})
        if (index >= 0 && std::size_t(index) < s.boxes.size())
            marked[std::size_t(index)] = 1;
    if (f.what != packing_fault::kind::collision)
        return;
    float lower[3], upper[3];
    block_corners(s, f.shared, lower, upper);
    put_faces(lower, upper, to);
}

// Each box's edges once, in the chosen colour for the chosen fault's boxes: two lines on the
// same edge would leave the colour to the depth test.
void fault_marks::add_edges(const session& s)
{
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
        if (!at_fault_[i] && !in_chosen_[i])
            continue;
        float lower[3], upper[3];
        box_geometry::corners(*s.container, *s.boxes[i], lower, upper);
        put_edges(lower, upper, in_chosen_[i] ? chosen_.edges : ordinary_.edges);
    }
}

// The marks lie inside the boxes they mark: the depth buffer is cleared first (within the
// scissor of a partial redraw), so that they hide only each other.
void fault_marks::draw() const
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    draw_layer(ordinary_, fault_style);
    draw_layer(chosen_, chosen_style);
    glDisableClientState(GL_VERTEX_ARRAY);
}
