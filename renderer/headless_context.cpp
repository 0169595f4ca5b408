#include "renderer/headless_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

headless_context::headless_context()
{
    const auto platform_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!platform_display) {
        fail("eglGetPlatformDisplayEXT");
        return;
    }
    EGLDisplay display = platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY,
                                          nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        fail("eglInitialize");
        return;
    }
    display_ = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        fail("eglBindAPI");
        return;
    }
    // No surface is ever made: the context needs no config (EGL_KHR_no_config_context).
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        fail("eglCreateContext");
        return;
    }
    context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        fail("eglMakeCurrent");
        return;
    }
    current_ = true;
}

headless_context::~headless_context()
{
    if (!display_)
        return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_)
        eglDestroyContext(display_, context_);
    eglTerminate(display_);
}

void headless_context::fail(const char* what)
{
    error_ = QLatin1String("pas de contexte OpenGL sans affichage (") + QLatin1String(what)
             + QLatin1String(" : erreur EGL 0x") + QString::number(eglGetError(), 16)
             + QLatin1Char(')');
}
