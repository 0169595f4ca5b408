#include "view3d/gl_widget.h"

namespace {

QGLFormat multisample_format()
{
    QGLFormat format = QGLFormat::defaultFormat();
    format.setSampleBuffers(true);
    return format;
}

}  // namespace

gl_widget::gl_widget(QWidget* parent) : QGLWidget(multisample_format(), parent) {}

gl_widget::~gl_widget() = default;

void gl_widget::mousePressEvent(QMouseEvent*) {}
void gl_widget::mouseMoveEvent(QMouseEvent*) {}
void gl_widget::wheelEvent(QWheelEvent*) {}
void gl_widget::keyPressEvent(QKeyEvent*) {}
void gl_widget::initializeGL() {}
void gl_widget::resizeGL(int, int) {}
void gl_widget::paintGL() {}
