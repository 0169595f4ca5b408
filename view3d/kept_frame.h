#pragma once

#include <QRect>
#include <QSize>

#include <QtGui/qopengl.h>

// A copy of a view's frame, its colour samples kept between paints: the window's own buffers
// do not keep their content past a buffer swap. Every call needs the view's context current.
class kept_frame {
public:
    kept_frame() = default;
    kept_frame(const kept_frame&) = delete;
    kept_frame& operator=(const kept_frame&) = delete;

    // Makes the copy ready for a frame of this size, anew (and then holding nothing) when the
    // size changed. False when the driver cannot keep a frame like the window's.
    bool prepare(QSize size);
    // True once the copy holds a frame of its size; the view makes the window's buffers take
    // a new size before its first frame at that size, so that frame is whole.
    bool holds_frame() const { return saves_ >= 1; }
    // Copies the part of the window's frame drawn since the last save (window pixels, y up)
    // into the copy, and back; sample by sample, so that both resolve to the same pixels. The
    // first save takes the whole frame.
    void save(const QRect& part);
    // The driver makes its first copy back slowly (a shader of its own in each context): a view
    // has it made once its frames are on screen, rather than at the first pick or fault chosen,
    // by copying the kept frame onto the window's, which holds the same.
    bool copied_back() const { return copied_back_; }
    void copy_back_once();
    // The part of the copy (window pixels, y up) back into the window.
    void restore(const QRect& part);
    void release();
    // Drops the copy without deleting it, for a context that replaced the one it lived in.
    void forget();

private:
    bool create(QSize size);
    void copy(GLuint from, GLuint to, const QRect& part);

    GLuint framebuffer = 0;
    GLuint color = 0;
    QSize size_;
    int saves_ = 0;
    bool copied_back_ = false;
    bool unavailable = false;
};
