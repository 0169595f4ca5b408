#pragma once

// The view's scene drawn the plain way, every face of every box in immediate mode in list
// order with nothing kept between frames, and the selection pass over the whole scene: the
// reference the view's faster drawing (within frame_tolerance.h) and filtered picking match.

#include "model/palette.h"
#include "model/session.h"
#include "view3d/cuboid_faces.h"
#include "view3d/gl_widget.h"

#include <GL/glu.h>

#include <algorithm>
#include <vector>

namespace plain_scene {

inline void face(int f, const float lo[3], const float hi[3])
{
    for (const face_vertex& v : cuboid_faces[f]) {
        glTexCoord2f(v.s, v.t);
        glVertex3f(v.high_x ? hi[0] : lo[0], v.high_y ? hi[1] : lo[1], v.high_z ? hi[2] : lo[2]);
    }
}

inline void cuboid(GLenum primitive, const float lo[3], const float hi[3])
{
    glBegin(primitive);
    for (int f = 0; f < 6; ++f)
        face(f, lo, hi);
    glEnd();
}

inline void container(int view_mode)
{
    const float lo[3] = {0.0f, -0.8f, -2.0f};
    const float hi[3] = {4.0f, 0.8f, 0.0f};
    if (view_mode == 0) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glColor4f(0.8f, 0.8f, 0.8f, 0.35f);
        glBegin(GL_QUADS);
        face(1, lo, hi);
        face(0, lo, hi);
        glEnd();
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        glColor3f(0.8f, 0.8f, 0.8f);
    }
    glBegin(GL_QUADS);
    face(2, lo, hi);
    glEnd();
}

inline float scale(float extent, int container_extent)
{
    return container_extent == 0 ? 0.0f : extent / float(container_extent);
}

// The scene corners of a box of s.
inline void box_corners(const session& s, std::size_t i, float lo[3], float hi[3])
{
    const float sx = scale(4.0f, s.container->length());
    const float sy = scale(1.6f, s.container->height());
    const float sz = scale(2.0f, s.container->width());
    const box& b = *s.boxes[i];
    const position& p = b.position;
    const dimension& d = b.dimension;
    lo[0] = sx * p.px + 0.01f;
    lo[1] = sy * p.py + 0.01f - 0.8f;
    lo[2] = sz * p.pz + 0.01f - 2.0f;
    hi[0] = sx * (p.px + d.length());
    hi[1] = sy * (p.py + d.height()) - 0.8f;
    hi[2] = sz * (p.pz + d.width()) - 2.0f;
}

// The whole scene; in selection mode every object under its name.
inline void draw(const gl_widget& view, bool select)
{
    const session& s = *view.current_session();
    glColor3f(0.8f, 0.8f, 0.8f);
    if (select)
        glLoadName(0);
    container(view.view_mode());
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
        const box& b = *s.boxes[i];
        if (select)
            glLoadName(GLuint(i + 1));
        float lo[3], hi[3];
        box_corners(s, i, lo, hi);
        const palette::rgb& c = palette::entry_for(b.color);
        const bool highlighted = int(i) == view.highlighted_box();
        if (highlighted)
            glColor3f(float(std::min(1.0, c.red / 255.0 * 1.6)),
                      float(std::min(1.0, c.green / 255.0 * 1.6)),
                      float(std::min(1.0, c.blue / 255.0 * 1.6)));
        else
            glColor3f(c.red / 255.0f, c.green / 255.0f, c.blue / 255.0f);
        cuboid(GL_QUADS, lo, hi);
        if (highlighted) {
            glColor3f(0.0f, 0.9f, 0.0f);
            glLineWidth(3.0f);
            cuboid(GL_LINE_STRIP, lo, hi);
        }
    }
}

inline void view_transform(const gl_widget& view)
{
    glTranslatef(-2.0f, 0.0f, -9.0f);
    switch (view.view_mode()) {
    case 0:
        glRotatef(float(view.rot_x()), 1.0f, 0.0f, 0.0f);
        glRotatef(float(view.rot_y()), 0.0f, 1.0f, 0.0f);
        glRotatef(0.0f, 0.0f, 0.0f, 1.0f);
        break;
    case 1:
        glTranslatef(0.65f, 0.15f, -4.0f);
        glRotatef(275.0f, 0.0f, 1.0f, 0.0f);
        break;
    case 2: glRotatef(5.0f, 1.0f, 0.0f, 0.0f); break;
    case 3:
        glTranslatef(0.0f, -1.0f, -2.0f);
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
        break;
    default: break;
    }
}

inline void frustum(int width, int height, float zoom)
{
    height = std::max(height, 1);
    const float r = height > width ? 1.1547005f : float(0.5773502691896257 * 2 * (width / height));
    glFrustum(-r, r, -0.8660254, 0.8660254, zoom, 100.0);
}

// The selection pass over every box at a pixel in device coordinates (y down); the name of
// the nearest record, -1 when nothing was hit, as the view chooses it.
inline long long pick(gl_widget& view, double x, double y)
{
    view.makeCurrent();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<GLuint> buffer(4 * (view.current_session()->boxes.size() + 1));
    glSelectBuffer(GLsizei(buffer.size()), buffer.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(4294967295u);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix(x, viewport[3] - y, 1.0, 1.0, viewport);
    frustum(viewport[2], viewport[3], view.zoom());
    view_transform(view);
    draw(view, true);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glFlush();
    const GLint count = glRenderMode(GL_RENDER);
    double best_depth = 999999.0;
    long long best_name = -1;
    const GLuint* record = buffer.data();
    for (int i = 0; i < count; ++i) {
        const double depth = record[1] * 4.656612873077393e-10;
        if (best_depth - depth > 0.000001) {
            best_depth = depth;
            best_name = record[3];
        }
        record += 3 + record[0];
    }
    return best_name;
}

}  // namespace plain_scene

// A view that paints the plain way, with the same context set-up, transform and state as
// the view it stands beside.
class plain_view : public gl_widget {
protected:
    void paintGL() override
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        plain_scene::view_transform(*this);
        plain_scene::draw(*this, false);
        glPopMatrix();
    }
};
