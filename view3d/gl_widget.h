#pragma once

#include "view3d/kept_frame.h"
#include "view3d/scene_drawing.h"
#include "view3d/view_eye.h"

#include <QGLWidget>
#include <QPoint>
#include <QRect>

#include <array>
#include <vector>

struct session;

// The OpenGL view of a session: the main view (view_mode 0) turns, zooms, picks and moves
// boxes; the axis views (1, 2, 3 for X, Y, Z) only draw from a fixed transform.
class gl_widget : public QGLWidget {
    Q_OBJECT

public:
    explicit gl_widget(QWidget* parent = nullptr);
    ~gl_widget() override;

    // Writing these does not repaint; the writer calls updateGL().
    session* current_session() const { return current_session_; }
    void set_current_session(session* s) { current_session_ = s; }
    int view_mode() const { return eye_.mode; }
    void set_view_mode(int mode);
    int highlighted_box() const { return highlighted_box_; }
    void set_highlighted_box(int index) { highlighted_box_ = index; }
    // The fault of current_session whose boxes and block are emphasised, -1 for none.
    int chosen_fault() const { return chosen_fault_; }
    void set_chosen_fault(int index) { chosen_fault_ = index; }
    // The main view framed on a scene cuboid (a fault's boxes), or on the whole packing again.
    void frame(const float lower[3], const float upper[3]) { eye_.frame(lower, upper); }
    void show_whole() { eye_.framed = false; }
    bool is_framed() const { return eye_.framed; }

    int rot_x() const { return eye_.rot_x; }
    int rot_y() const { return eye_.rot_y; }
    float zoom() const { return eye_.zoom; }

signals:
    void box_selected(int number);  // index of the highlighted box plus one
    void boxes_settled();           // after a move and the falls it caused

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void set_projection(int width, int height);
    QSize viewport_size() const;  // in device pixels, as the toolkit sized it
    void present_at_new_size(QSize size);
    std::vector<QRect> parts_to_redraw(const QRect& whole);
    static void add_part(std::vector<QRect>& parts, QRect part);
    // Past this many parts to draw again, the rectangle around them all is drawn once.
    static constexpr std::size_t most_parts = 4;
    static QRect inside_ring(const QRect& region, const QRect& whole);
    void restore_ring(const QRect& outer, const QRect& inner);
    void refresh_geometry();
    void prepare_partial_redraws();

    void pick_at(const QPointF& device_pos);
    std::array<double, 16> main_view_transform();
    std::array<double, 16> current_transform() const;
    GLint select(const std::vector<int>& candidates, double x, double y,
                 std::vector<GLuint>& records);
    void draw_scene_for_selection(const std::vector<int>& candidates);
    void process_hits(int count, const GLuint* buffer);

    void move_highlighted_box(int direction);
    void refuse_moves();
    bool can_move(int direction, int index) const;
    void move_box(int direction, int index);
    void settle_boxes();
    bool is_valid_box(int index) const;

    view_eye eye_;
    QPoint last_mouse_pos;
    session* current_session_ = nullptr;
    int highlighted_box_ = -1;
    int chosen_fault_ = -1;
    scene_drawing scene_;
    kept_frame frame_;
    QSize presented_size_;  // of the window's buffers at the last swap
    // What the kept frame shows.
    const session* drawn_session_ = nullptr;
    std::array<double, 16> drawn_transform_{};
    const session* refused_session_ = nullptr;  // the last session a key was refused in
};
