#include "view3d/fault_marks.h"

#include "model/session.h"
#include "model/support_geometry.h"
#include "view3d/box_geometry.h"
#include "view3d/cuboid_faces.h"
#include "view3d/scene_drawing.h"

#include <QtGui/qopengl.h>

#include <limits>

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
// The overhang of a box that fails support in magenta: no fault block is drawn so.
constexpr mark_style overhang_style = {{1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 1.0f}, 2.0f};
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
    // Edges in their plain colour, whatever texel a line would pick.
    glDisable(GL_TEXTURE_2D);
    glColor3fv(style.edge);
    glLineWidth(style.edge_width);
    glVertexPointer(3, GL_FLOAT, 0, l.edges.data());
    glDrawArrays(GL_LINES, 0, GLsizei(l.edges.size() / 3));
    // Left as every other line of the view is drawn.
    glLineWidth(scene_drawing::outline_width);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace

void fault_marks::refresh(const session& s, int chosen_fault)
{
    std::vector<long long> key = key_of(s, chosen_fault);
    if (key == key_)
        return;
    key_ = std::move(key);
    chosen_fault_ = chosen_fault;
    build(s);
}

// Everything build reads, in a row of numbers: the container's extents, the number of boxes
// to shade, the chosen fault, and each fault with the cells and extents of its boxes; and the
// revision of the faults, since an overhang also depends on the boxes beneath. It grows with
// the faults, not with the boxes.
std::vector<long long> fault_marks::key_of(const session& s, int chosen_fault)
{
    const dimension& c = *s.container;
    std::vector<long long> key = {c.length(), c.width(), c.height(),
                                  (long long)s.boxes.size(), chosen_fault,
                                  (long long)s.faults_revision};
    for (const packing_fault& f : s.faults) {
        const cell_range& r = f.shared;
        key.insert(key.end(), {int(f.what), f.index, f.other_index, r.x0, r.x1, r.z0, r.z1,
                               r.y0, r.y1});
        for (int index : {f.index, f.other_index}) {
            if (index < 0 || std::size_t(index) >= s.boxes.size())
                continue;
            const box& b = *s.boxes[std::size_t(index)];
            key.insert(key.end(), {b.position.px, b.position.py, b.position.pz,
                                   b.dimension.length(), b.dimension.width(),
                                   b.dimension.height()});
        }
    }
    return key;
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
    overhang_ = layer();
    overhang_drawn_.assign(s.boxes.size(), 0);
    at_fault_.clear();
    in_chosen_.clear();
    if (s.faults.empty())
        return;
    at_fault_.assign(s.boxes.size(), 0);
    in_chosen_.assign(s.boxes.size(), 0);
    // A mark in the place of one drawn before it lies at its depth and loses the depth test
    // to it, so each place is marked once, the chosen fault's marks first: faults piled in one
    // place then cost one mark's pixels, and the chosen one shows among them.
    placed blocks;
    if (chosen_fault_ >= 0 && std::size_t(chosen_fault_) < s.faults.size())
        add_fault(s, std::size_t(chosen_fault_), chosen_, blocks);
    for (std::size_t f = 0; f < s.faults.size(); ++f)
        if (int(f) != chosen_fault_)
            add_fault(s, f, ordinary_, blocks);
    add_edges(s);
}

void fault_marks::add_fault(const session& s, std::size_t fault, layer& to, placed& blocks)
{
    const packing_fault& f = s.faults[fault];
    std::vector<char>& marked = &to == &chosen_ ? in_chosen_ : at_fault_;
    for (int index : {f.index, f.other_index})
        if (index >= 0 && std::size_t(index) < s.boxes.size())
            marked[std::size_t(index)] = 1;
    if (f.what == packing_fault::kind::support || f.what == packing_fault::kind::centre)
        add_overhang(s, f.index);
    if (f.what != packing_fault::kind::collision)
        return;
    float lower[3], upper[3];
    block_corners(s, f.shared, lower, upper);
    if (first_in_place(lower, upper, blocks))
        put_faces(lower, upper, to);
}

// A slab just under the base, under each part of it that no contact covers. A box failing both
// checks gets it once.
void fault_marks::add_overhang(const session& s, int index)
{
    if (!s.support || index < 0 || std::size_t(index) >= s.boxes.size()
        || overhang_drawn_[std::size_t(index)])
        return;
    overhang_drawn_[std::size_t(index)] = 1;
    const box& b = *s.boxes[std::size_t(index)];
    const std::vector<flat_rect> contacts =
        s.support->contacts(s.boxes, *s.grid, std::size_t(index));
    for (const flat_rect& part : uncovered_parts(flat_rect::base_of(b), contacts)) {
        if (part.x0 > std::numeric_limits<int32_t>::max()
            || part.z0 > std::numeric_limits<int32_t>::max())
            continue;  // beyond any container: nowhere to draw it
        const box slab(position(int(part.x0), b.position.py, int(part.z0)),
                       dimension(int(part.x1 - part.x0), int(part.z1 - part.z0), 0));
        float lower[3], upper[3];
        box_geometry::corners(*s.container, slab, lower, upper);
        // Thick enough to show edge on, in the views along x and z, and outlined.
        lower[1] -= 0.04f;
        put_faces(lower, upper, overhang_);
        put_edges(lower, upper, overhang_.edges);
    }
}

// Each box's edges once, in the chosen colour for the chosen fault's boxes: two lines on the
// same edge would leave the colour to the depth test. Boxes in one place share their edges.
void fault_marks::add_edges(const session& s)
{
    placed boxes;
    for (const bool chosen : {true, false})
        for (std::size_t i = 0; i < s.boxes.size(); ++i) {
            const bool in_layer = chosen ? in_chosen_[i] : at_fault_[i] && !in_chosen_[i];
            if (!in_layer)
                continue;
            float lower[3], upper[3];
            box_geometry::corners(*s.container, *s.boxes[i], lower, upper);
            if (first_in_place(lower, upper, boxes))
                put_edges(lower, upper, chosen ? chosen_.edges : ordinary_.edges);
        }
}

bool fault_marks::first_in_place(const float lower[3], const float upper[3], placed& places)
{
    return places.insert({lower[0], lower[1], lower[2], upper[0], upper[1], upper[2]}).second;
}

// The marks lie inside the boxes they mark: the depth buffer is cleared first (within the
// scissor of a partial redraw), so that they hide only each other.
void fault_marks::draw() const
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    draw_layer(ordinary_, fault_style);
    draw_layer(chosen_, chosen_style);
    draw_layer(overhang_, overhang_style);
    glDisableClientState(GL_VERTEX_ARRAY);
}
