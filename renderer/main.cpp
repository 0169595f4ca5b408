// packview-render: checks session files as packview-check --all does and draws each one's
// views to a PNG picture, with no display, for packing pipelines and their reports.

#include "model/session.h"
#include "model/session_reader.h"
#include "renderer/headless_context.h"
#include "renderer/view_picture.h"
#include "view3d/scene_drawing.h"
#include "view3d/view_eye.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSet>

#include <iostream>
#include <optional>

namespace {

const QStringList view_names = {QStringLiteral("main"), QStringLiteral("x"), QStringLiteral("y"),
                                QStringLiteral("z")};

struct render_options {
    QString out_dir = QStringLiteral(".");
    int view = -1;                // one view alone, by its mode; -1 for all four laid out
    QSize main_size{1000, 700};
    QList<QByteArray> files;
};

// The axis views stand in a column right of the main view, as in the window.
QSize axis_view_size(QSize main_size)
{
    return QSize(main_size.width() * 7 / 20, main_size.height() / 3);
}

QImage draw_view(scene_drawing& scene, const session* s, int mode, QSize size)
{
    view_picture picture(size);
    if (!picture.is_complete())
        return QImage();
    view_eye eye;
    eye.set_mode(mode);
    return picture.draw(scene, s, -1, eye);
}

QImage draw_views(scene_drawing& scene, const session* s, const render_options& o)
{
    if (o.view >= 0)
        return draw_view(scene, s, o.view, o.view == 0 ? o.main_size : axis_view_size(o.main_size));
    const QSize axis = axis_view_size(o.main_size);
    constexpr int gap = 4;
    QImage layout(o.main_size.width() + gap + axis.width(), o.main_size.height(),
                  QImage::Format_RGB32);
    layout.fill(QColor(239, 239, 239));
    QPainter painter(&layout);
    painter.drawImage(0, 0, draw_view(scene, s, 0, o.main_size));
    for (int mode = 1; mode <= 3; ++mode)
        painter.drawImage(o.main_size.width() + gap, (mode - 1) * axis.height(),
                          draw_view(scene, s, mode, axis));
    return layout;
}

// Named after the file, and after the view when there is one; a name taken earlier in the run
// gets a number, so that two files of one name in two folders keep both pictures.
QString picture_path(const QByteArray& native_path, const render_options& o, QSet<QString>& taken)
{
    QString name = QFileInfo(QFile::decodeName(native_path)).completeBaseName();
    if (o.view >= 0)
        name += QLatin1Char('-') + view_names.at(o.view);
    QString path = QDir(o.out_dir).filePath(name + QLatin1String(".png"));
    for (int n = 2; taken.contains(path); ++n)
        path = QDir(o.out_dir).filePath(name + QLatin1Char('-') + QString::number(n)
                                        + QLatin1String(".png"));
    taken.insert(path);
    return path;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    render_options o;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--out") o.out_dir = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--view") o.view = view_names.indexOf(QString::fromLatin1(argv[++i]));
        else if (a == "--size") { const QList<QByteArray> wh = QByteArray(argv[++i]).split('x'); o.main_size = QSize(wh[0].toInt(), wh[1].toInt()); }
        else o.files << a;
    }
    QDir().mkpath(o.out_dir);
    headless_context context;
    if (!context.is_current()) {
        std::cerr << context.error().toLocal8Bit().constData() << std::endl;
        return 2;
    }
    scene_drawing scene;
    scene.set_up();
    QSet<QString> taken;
    for (const QByteArray& path : o.files) {
        session_reader::result read = session_reader::read_native(path, session_reader::mode::every_fault);
        session s;
        s.container = std::move(read.container);
        s.boxes = std::move(read.boxes);
        const QString out = picture_path(path, o, taken);
        draw_views(scene, s.container ? &s : nullptr, o).save(out);
        std::cout << "Image : " << out.toLocal8Bit().constData() << std::endl;
    }
    scene.release();
    return 0;
}
