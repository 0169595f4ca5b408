#pragma once

#include <QImage>
#include <QSize>

#include <QtGui/qopengl.h>

class scene_drawing;
struct session;
struct view_eye;

// One view drawn into framebuffer objects of its own, on the current context: multisampled
// as the window's views are, then resolved to one colour a pixel, as the screen shows them.
class view_picture {
public:
    explicit view_picture(QSize size);
    ~view_picture();
    view_picture(const view_picture&) = delete;
    view_picture& operator=(const view_picture&) = delete;

    // False when the driver cannot draw a frame like the window's.
    bool is_complete() const { return complete_; }

    // The view's frame of the session (the demonstration scene when s is null), the box at
    // highlighted emphasised, as the window's view of this size draws it.
    QImage draw(scene_drawing& scene, const session* s, int highlighted, const view_eye& eye);

private:
    QSize size_;
    GLuint samples_framebuffer_ = 0;
    GLuint samples_color_ = 0;
    GLuint samples_depth_ = 0;
    GLuint resolved_framebuffer_ = 0;
    GLuint resolved_color_ = 0;
    bool complete_ = false;
};
