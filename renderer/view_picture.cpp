#define GL_GLEXT_PROTOTYPES
#include "renderer/view_picture.h"

#include "model/session.h"
#include "view3d/scene_drawing.h"
#include "view3d/view_eye.h"

#include <GL/gl.h>
#include <GL/glext.h>

namespace {

// The window's views get four samples a pixel from the multisampled visual they ask for.
constexpr GLsizei window_samples = 4;

bool framebuffer_complete()
{
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

}  // namespace

view_picture::view_picture(QSize size) : size_(size)
{
    const int w = size.width();
    const int h = size.height();
    glGenRenderbuffers(1, &samples_color_);
    glBindRenderbuffer(GL_RENDERBUFFER, samples_color_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, window_samples, GL_RGBA8, w, h);
    glGenRenderbuffers(1, &samples_depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, samples_depth_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, window_samples, GL_DEPTH24_STENCIL8, w, h);
    glGenFramebuffers(1, &samples_framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, samples_framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, samples_color_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              samples_depth_);
    complete_ = framebuffer_complete();

    glGenRenderbuffers(1, &resolved_color_);
    glBindRenderbuffer(GL_RENDERBUFFER, resolved_color_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    glGenFramebuffers(1, &resolved_framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, resolved_framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolved_color_);
    complete_ = complete_ && framebuffer_complete() && !size.isEmpty();
}

view_picture::~view_picture()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const GLuint framebuffers[] = {samples_framebuffer_, resolved_framebuffer_};
    glDeleteFramebuffers(2, framebuffers);
    const GLuint renderbuffers[] = {samples_color_, samples_depth_, resolved_color_};
    glDeleteRenderbuffers(3, renderbuffers);
}

// The view's projection and transform as its widget sets them: the projection at each resize,
// the transform under an identity model-view matrix at each frame.
QImage view_picture::draw(scene_drawing& scene, const session* s, int highlighted,
                          const view_eye& eye)
{
    const int w = size_.width();
    const int h = size_.height();
    glBindFramebuffer(GL_FRAMEBUFFER, samples_framebuffer_);
    // A window's buffer holds its rows top down, a framebuffer object's bottom up, and the
    // driver draws into a window upside down, with the edge rule turned to match. Drawn the
    // same way, the samples of every pixel take the window's colours, and the rows come out
    // top down.
    glClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    scene_drawing::multiply_frustum(eye.zoom, w, h);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    scene_drawing::multiply_view_transform(eye);
    if (s)
        scene.refresh(*s, highlighted, -1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.draw(s, highlighted, eye.mode);

    glBindFramebuffer(GL_READ_FRAMEBUFFER, samples_framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved_framebuffer_);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, resolved_framebuffer_);
    QImage image(w, h, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // The screen's opaque pixels have no alpha to keep.
    return image.convertToFormat(QImage::Format_RGB32);
}
