#pragma once

#include <QString>

// An OpenGL context made current with no window and no display: Mesa's surfaceless EGL
// platform, which draws with llvmpipe into framebuffer objects only. A compatibility context,
// so that the views' fixed-function drawing runs in it unchanged.
class headless_context {
public:
    headless_context();
    ~headless_context();
    headless_context(const headless_context&) = delete;
    headless_context& operator=(const headless_context&) = delete;

    bool is_current() const { return current_; }
    // Why there is no context, when there is none.
    const QString& error() const { return error_; }

private:
    void fail(const char* what);

    void* display_ = nullptr;
    void* context_ = nullptr;
    bool current_ = false;
    QString error_;
};
