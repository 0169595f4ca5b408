#include "view3d/fault_marks.h"

#include "model/outside_part.h"
#include "model/session.h"
#include "model/support_geometry.h"
#include "view3d/box_geometry.h"
#include "view3d/scene_drawing.h"

#include <QtGui/qopengl.h>

#include <algorithm>
#include <limits>

namespace {

// A block of cells as the scene cuboid it covers; axes in x, y, z order.
void block_corners(const dimension& container, const int64_t lower_cell[3],
                   const int64_t upper_cell[3], float lower[3], float upper[3])
{
    const int extents[3] = {container.length(), container.height(), container.width()};
    for (int axis = 0; axis < 3; ++axis) {
        const float scene_lower = scene_drawing::container_lower[axis];
        const float scene_extent = scene_drawing::container_upper[axis] - scene_lower;
        const double scale = extents[axis] == 0 ? 0.0 : double(scene_extent) / extents[axis];
        lower[axis] = float(scene_lower + scale * double(lower_cell[axis]));
        upper[axis] = float(scene_lower + scale * double(upper_cell[axis]));
    }
}

void put_faces(const float lower[3], const float upper[3], std::vector<float>& to)
{
    const std::size_t at = to.size();
    to.resize(at + box_geometry::vertices_per_box * 3);
    box_geometry::put_cuboid(lower, upper, to.data() + at);
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

void put_mark(const float lower[3], const float upper[3], fault_marks::layer& to)
{
    put_faces(lower, upper, to.faces);
    put_edges(lower, upper, to.outlines);
    for (int k = 0; k < 3; ++k)
        to.centres.push_back((lower[k] + upper[k]) / 2);
}

void draw_array(GLenum primitive, const std::vector<float>& xyz)
{
    if (xyz.empty())
        return;
    glVertexPointer(3, GL_FLOAT, 0, xyz.data());
    glDrawArrays(primitive, 0, GLsizei(xyz.size() / 3));
}

void set_colour(const fault_marks::rgb& c)
{
    glColor3f(c.red, c.green, c.blue);
}

// The marks in full: solid faces that hide each other, then their outlines and centres over
// them, so that a mark of a few cells still spans least_width pixels.
void draw_full(const fault_marks::layer& l, const fault_marks::rgb& colour)
{
    set_colour(colour);
    draw_array(GL_QUADS, l.faces);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(fault_marks::least_width);
    draw_array(GL_LINES, l.outlines);
    glPointSize(fault_marks::least_width);
    draw_array(GL_POINTS, l.centres);
    glPointSize(1.0f);
    glLineWidth(1.0f);
    draw_array(GL_LINES, l.box_edges);
    glEnable(GL_DEPTH_TEST);
}

// While another fault is chosen: thin outlines only.
void draw_muted(const fault_marks::layer& l, const fault_marks::rgb& colour)
{
    set_colour(colour);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(1.0f);
    draw_array(GL_LINES, l.outlines);
    draw_array(GL_LINES, l.box_edges);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace

bool fault_marks::refresh(const session& s, int chosen_fault)
{
    std::vector<long long> key = key_of(s, chosen_fault);
    if (key == key_)
        return false;
    key_ = std::move(key);
    chosen_fault_ = chosen_fault;
    build(s);
    return true;
}

// Everything build reads, in a row of numbers: the container's extents, the number of boxes
// to shade, the chosen fault, and each fault with the cells and extents of its boxes. It grows
// with the faults, not with the boxes.
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

fault_marks::shade fault_marks::shade_of(int box, int highlighted) const
{
    if (empty())
        return box == highlighted ? shade::bright : shade::plain;
    if (box == highlighted || in_chosen_[std::size_t(box)])
        return shade::lit;
    return at_fault_[std::size_t(box)] ? shade::faulty : shade::muted;
}

bool fault_marks::bounds_of(const session& s, const packing_fault& f, float lower[3],
                            float upper[3])
{
    bool found = false;
    for (int index : {f.index, f.other_index}) {
        if (index < 0 || std::size_t(index) >= s.boxes.size())
            continue;
        float lo[3], hi[3];
        box_geometry::corners(*s.container, *s.boxes[std::size_t(index)], lo, hi);
        for (int k = 0; k < 3; ++k) {
            lower[k] = found ? std::min(lower[k], lo[k]) : lo[k];
            upper[k] = found ? std::max(upper[k], hi[k]) : hi[k];
        }
        found = true;
    }
    return found;
}

void fault_marks::build(const session& s)
{
    overlap_ = layer();
    outside_ = layer();
    chosen_ = layer();
    chosen_edges_.clear();
    overhang_ = layer();
    at_fault_.clear();
    in_chosen_.clear();
    if (s.faults.empty())
        return;
    at_fault_.assign(s.boxes.size(), 0);
    in_chosen_.assign(s.boxes.size(), 0);
    overhang_drawn_.assign(s.boxes.size(), 0);
    // A mark in the place of one drawn before it lies at its depth and loses the depth test
    // to it, so each place is marked once, the chosen fault's marks first: faults piled in one
    // place then cost one mark's pixels.
    placed blocks;
    if (chosen_fault_ >= 0 && std::size_t(chosen_fault_) < s.faults.size())
        add_fault(s, std::size_t(chosen_fault_), blocks);
    for (std::size_t f = 0; f < s.faults.size(); ++f)
        if (int(f) != chosen_fault_)
            add_fault(s, f, blocks);
    add_edges(s);
}

fault_marks::layer& fault_marks::layer_of(const packing_fault& f)
{
    return f.what == packing_fault::kind::collision ? overlap_ : outside_;
}

void fault_marks::add_fault(const session& s, std::size_t fault, placed& blocks)
{
    const packing_fault& f = s.faults[fault];
    const bool chosen = int(fault) == chosen_fault_;
    layer& to = chosen ? chosen_ : layer_of(f);
    if (chosen)
        chosen_colour_ = &layer_of(f) == &overlap_ ? overlap_colour : outside_colour;
    const char layer_mark = &layer_of(f) == &overlap_ ? 1 : 2;
    for (int index : {f.index, f.other_index}) {
        if (index < 0 || std::size_t(index) >= s.boxes.size())
            continue;
        char& mark = at_fault_[std::size_t(index)];
        mark = mark == 0 ? layer_mark : std::min(mark, layer_mark);  // overlap edges first
        if (chosen)
            in_chosen_[std::size_t(index)] = 1;
    }
    if (f.what == packing_fault::kind::support || f.what == packing_fault::kind::centre)
        add_overhang(s, f.index);
    float lower[3], upper[3];
    if (f.what == packing_fault::kind::collision) {
        const cell_range& c = f.shared;
        const int64_t lo[3] = {c.x0, c.y0, c.z0};
        const int64_t hi[3] = {c.x1, c.y1, c.z1};
        block_corners(*s.container, lo, hi, lower, upper);
        if (first_in_place(lower, upper, blocks))
            put_mark(lower, upper, to);
    } else if (f.what == packing_fault::kind::outside && f.index >= 0 &&
               std::size_t(f.index) < s.boxes.size()) {
        const outside_part part = outside_part::of(*s.boxes[std::size_t(f.index)], *s.container);
        for (const outside_part::block& b : part.blocks()) {
            block_corners(*s.container, b.lower, b.upper, lower, upper);
            put_mark(lower, upper, to);
        }
    }
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
        // Thick enough to show edge on, in the views along x and z.
        lower[1] -= 0.04f;
        put_mark(lower, upper, overhang_);
    }
}

bool fault_marks::first_in_place(const float lower[3], const float upper[3], placed& places)
{
    return places.insert({lower[0], lower[1], lower[2], upper[0], upper[1], upper[2]}).second;
}

// Each box's edges once: in white for the chosen fault's boxes, else in the colour of its
// fault (an overlap's when it has both kinds).
void fault_marks::add_edges(const session& s)
{
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
        if (!at_fault_[i])
            continue;
        float lower[3], upper[3];
        box_geometry::corners(*s.container, *s.boxes[i], lower, upper);
        std::vector<float>& to = in_chosen_[i]       ? chosen_edges_
                                 : at_fault_[i] == 1 ? overlap_.box_edges
                                                     : outside_.box_edges;
        put_edges(lower, upper, to);
    }
}

// The marks lie inside the boxes they mark: the depth buffer is cleared first (within the
// scissor of a partial redraw), so that they hide only each other; the chosen fault's marks
// come after a second clear, so that nothing hides them. Flat colours: no texel may move a
// mark's colour towards a box's.
void fault_marks::draw() const
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (chosen_fault_ < 0) {
        draw_full(overlap_, overlap_colour);
        draw_full(outside_, outside_colour);
        draw_full(overhang_, overhang_colour);
    } else {
        draw_muted(overhang_, overhang_colour);
        draw_muted(overlap_, overlap_colour);
        draw_muted(outside_, outside_colour);
        glClear(GL_DEPTH_BUFFER_BIT);
        draw_full(chosen_, chosen_colour_);
        glDisable(GL_DEPTH_TEST);
        set_colour(chosen_edge_colour);
        glLineWidth(scene_drawing::outline_width);
        draw_array(GL_LINES, chosen_edges_);
        glEnable(GL_DEPTH_TEST);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    // Left as every other line of the view is drawn.
    glLineWidth(scene_drawing::outline_width);
    glEnable(GL_TEXTURE_2D);
}
