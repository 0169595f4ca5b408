#include "view3d/kept_frame.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>

namespace {

GLuint window_framebuffer()
{
    return QOpenGLContext::currentContext()->defaultFramebufferObject();
}

QOpenGLExtraFunctions& gl()
{
    return *QOpenGLContext::currentContext()->extraFunctions();
}

}  // namespace

bool kept_frame::prepare(QSize size)
{
    if (unavailable)
        return false;
    if (framebuffer == 0 || size != size_) {
        release();
        saves_ = 0;
        if (!create(size)) {
            release();
            unavailable = true;
            return false;
        }
    }
    return true;
}

// A sample-by-sample copy needs the same sample count on both sides. Depth is not kept: a
// part drawn again is cleared and drawn whole, depth included.
bool kept_frame::create(QSize size)
{
    if (size.isEmpty())
        return false;
    QOpenGLExtraFunctions& f = gl();
    GLint samples = 0;
    f.glGetIntegerv(GL_SAMPLES, &samples);
    size_ = size;
    f.glGenRenderbuffers(1, &color);
    f.glBindRenderbuffer(GL_RENDERBUFFER, color);
    f.glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, size.width(),
                                       size.height());
    f.glGenFramebuffers(1, &framebuffer);
    f.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    f.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    GLint kept_samples = -1;
    f.glGetIntegerv(GL_SAMPLES, &kept_samples);
    const bool complete = f.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                          kept_samples == samples;
    f.glBindFramebuffer(GL_FRAMEBUFFER, window_framebuffer());
    return complete;
}

void kept_frame::save(const QRect& part)
{
    const QRect whole(QPoint(0, 0), size_);
    copy(window_framebuffer(), framebuffer, saves_ == 0 ? whole : part & whole);
    ++saves_;
}

void kept_frame::copy_back_once()
{
    if (!copied_back_ && holds_frame())
        restore(QRect(QPoint(0, 0), size_));
}

void kept_frame::restore(const QRect& part)
{
    copy(framebuffer, window_framebuffer(), part);
    copied_back_ = true;
}

void kept_frame::copy(GLuint from, GLuint to, const QRect& part)
{
    QOpenGLExtraFunctions& f = gl();
    f.glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    f.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    const int x0 = part.x(), y0 = part.y(), x1 = x0 + part.width(), y1 = y0 + part.height();
    f.glBlitFramebuffer(x0, y0, x1, y1, x0, y0, x1, y1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    f.glBindFramebuffer(GL_FRAMEBUFFER, window_framebuffer());
}

void kept_frame::release()
{
    if (!QOpenGLContext::currentContext())
        return;
    QOpenGLExtraFunctions& f = gl();
    f.glDeleteFramebuffers(1, &framebuffer);
    f.glDeleteRenderbuffers(1, &color);
    forget();
}

void kept_frame::forget()
{
    framebuffer = color = 0;
    saves_ = 0;
    copied_back_ = false;
}
