#pragma once

#include <QRect>
#include <QtGui/qopengl.h>

#include <array>
#include <vector>

class box_geometry;

// The boxes that a frame, or the part of it drawn again, needs: every box but those wholly
// outside the drawn part of the window (all of them where the near plane reaches into the
// boxes' hull), as runs of whole boxes in the geometry's vertex arrays, in list order. A box
// left out takes no driver memory and no time; a box drawn keeps every face in face-table
// order, drawn as quads from the arrays, so that its pixels round as the faces sent one by
// one do.
class box_selection {
public:
    // model_view and projection are column-major, as OpenGL gives them; part is in window
    // pixels (y up) within viewport.
    void select(const box_geometry& geometry, const std::array<double, 16>& model_view,
                const std::array<double, 16>& projection, const int viewport[4],
                const QRect& part);

    // The first vertex and the vertex count of each run, for glMultiDrawArrays.
    const GLint* firsts() const { return firsts_.data(); }
    const GLsizei* counts() const { return counts_.data(); }
    GLsizei runs() const { return GLsizei(firsts_.size()); }

private:
    static bool reaches_near_plane(const box_geometry& geometry,
                                   const std::array<double, 16>& model_view,
                                   const std::array<double, 16>& projection);
    void add_box(int index);

    std::vector<GLint> firsts_;
    std::vector<GLsizei> counts_;
};
