#pragma once

// What the person sees of a view: the X server's copy of its window, beside the view's own
// frame of the same scene.

#include "view3d/gl_widget.h"

#include <QGuiApplication>
#include <QImage>
#include <QOpenGLFramebufferObject>
#include <QScreen>
#include <QWindow>
#include <QtTest>

namespace screen_copy {

// The window's pixels as the server holds them, in device pixels. A native child window
// (every view is one) is read on its own, whatever covers its parent.
inline QImage of(QWidget& widget)
{
    QScreen* screen = widget.window()->windowHandle()->screen();
    return screen->grabWindow(widget.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The view's last frame as the screen shows a frame: its samples resolved to one colour a
// pixel. Reading the window's buffer directly gives one sample a pixel, which differs from the
// screen along every edge. Draws nothing.
inline QImage last_frame(gl_widget& view)
{
    view.makeCurrent();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    QOpenGLFramebufferObject resolved(viewport[2], viewport[3]);
    QOpenGLFramebufferObject::blitFramebuffer(&resolved, nullptr, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    return resolved.toImage().convertToFormat(QImage::Format_RGB32);
}

// The view's frame of its current scene, drawn anew after the screen was read: what the
// screen must show once the view has had its paints.
inline QImage fresh_frame(gl_widget& view)
{
    view.updateGL();
    return last_frame(view);
}

// The view's frame of its current scene drawn whole, with nothing taken from a kept frame: a
// frame of no session in between makes the next one start anew.
inline QImage whole_frame(gl_widget& view)
{
    session* shown = view.current_session();
    view.set_current_session(nullptr);
    view.updateGL();
    view.set_current_session(shown);
    return fresh_frame(view);
}

inline int differing_pixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// The rectangle around the pixels of exactly this colour in the part, empty when there are none.
inline QRect bounds_of_colour(const QImage& image, const QRect& part, QRgb colour)
{
    QRect found;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                found |= QRect(x, y, 1, 1);
    return found;
}

// Lets every pending paint run; the views draw once per action, after it.
inline void let_paints_run()
{
    QTest::qWait(150);
}

}  // namespace screen_copy
