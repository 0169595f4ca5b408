// packview-render: checks session files as packview-check --all does and draws each one's
// views to a PNG picture, with no display, for packing pipelines and their reports.

#include "checker/arguments.h"
#include "checker/check_options.h"
#include "checker/file_check.h"
#include "checker/text_report.h"
#include "model/session.h"
#include "renderer/headless_context.h"
#include "renderer/picture_caption.h"
#include "renderer/view_picture.h"
#include "view3d/box_geometry.h"
#include "view3d/scene_drawing.h"
#include "view3d/view_eye.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList view_names = {QStringLiteral("main"), QStringLiteral("x"), QStringLiteral("y"),
                                QStringLiteral("z")};

struct render_options {
    check_options check;          // as packview-check --all
    QByteArray out_dir;           // the argument's own bytes, as the file names are
    int view = -1;                // one view alone, by its mode; -1 for all four laid out
    QSize main_size;
    bool window_camera = false;   // the main view as the window first shows it
    bool colours_by_support = false;
};

// "1000x700"; empty when the text is not two positive numbers.
QSize size_from_text(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return QSize();
    const QSize size(parts[0].toInt(), parts[1].toInt());
    constexpr int largest = 8192;
    return size.width() > largest || size.height() > largest ? QSize() : size;
}



// The axis views stand in a column right of the main view, as in the window.
QSize axis_view_size(QSize main_size)
{
    return QSize(main_size.width() * 7 / 20, main_size.height() / 3);
}

// The scene cuboid around the container and every box, those outside it included.
void packing_bounds(const session& s, float lower[3], float upper[3])
{
    std::copy(scene_drawing::container_lower, scene_drawing::container_lower + 3, lower);
    std::copy(scene_drawing::container_upper, scene_drawing::container_upper + 3, upper);
    for (const auto& b : s.boxes) {
        float lo[3], hi[3];
        box_geometry::corners(*s.container, *b, lo, hi);
        for (int k = 0; k < 3; ++k) {
            lower[k] = std::min(lower[k], lo[k]);
            upper[k] = std::max(upper[k], hi[k]);
        }
    }
}

QImage draw_view(scene_drawing& scene, const session* s, int mode, QSize size,
                 const render_options& o)
{
    view_picture picture(size);
    if (!picture.is_complete())
        return QImage();
    view_eye eye;
    eye.set_mode(mode);
    if (mode == 0 && s && !o.window_camera) {
        float lower[3], upper[3];
        packing_bounds(*s, lower, upper);
        eye.frame(lower, upper);
    }
    return picture.draw(scene, s, -1, eye);
}

QImage draw_views(scene_drawing& scene, const session* s, const render_options& o)
{
    if (o.view >= 0)
        return draw_view(scene, s, o.view, o.view == 0 ? o.main_size : axis_view_size(o.main_size),
                         o);
    const QSize axis = axis_view_size(o.main_size);
    constexpr int gap = 4;
    QImage layout(o.main_size.width() + gap + axis.width(), o.main_size.height(),
                  QImage::Format_RGB32);
    layout.fill(QColor(239, 239, 239));
    QPainter painter(&layout);
    painter.drawImage(0, 0, draw_view(scene, s, 0, o.main_size, o));
    for (int mode = 1; mode <= 3; ++mode)
        painter.drawImage(o.main_size.width() + gap, (mode - 1) * axis.height(),
                          draw_view(scene, s, mode, axis, o));
    return layout;
}

// Named after the file's own bytes, without its last extension and without leading dots (a
// hidden picture would be lost), and after the view when there is one; a name taken earlier
// in the run gets a number, so that two files of one name in two folders keep both pictures.
QByteArray picture_path(const QByteArray& native_path, const render_options& o,
                        QSet<QByteArray>& taken)
{
    QByteArray name = native_path.mid(native_path.lastIndexOf('/') + 1);
    const int dot = name.lastIndexOf('.');
    if (dot > 0)
        name.truncate(dot);
    while (name.startsWith('.'))
        name.remove(0, 1);
    if (o.view >= 0)
        name += '-' + view_names.at(o.view).toLatin1();
    const QByteArray folder =
        o.out_dir.isEmpty() || o.out_dir.endsWith('/') ? o.out_dir : o.out_dir + '/';
    QByteArray path = folder + name + ".png";
    for (int n = 2; taken.contains(path); ++n)
        path = folder + name + '-' + QByteArray::number(n) + ".png";
    taken.insert(path);
    return path;
}

// Every folder of the path, made by its bytes; the system's reason when one cannot be made.
QString make_folders(const QByteArray& path)
{
    for (int end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != '/')
            continue;
        const QByteArray folder = path.left(end);
        struct stat status {};
        if (::mkdir(folder.constData(), 0777) != 0 && errno != EEXIST)
            return qt_error_string(errno);
        if (::stat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
            return qt_error_string(ENOTDIR);
    }
    return QString();
}

// The picture as PNG into the file these bytes name.
bool write_png(const QImage& picture, const QByteArray& path)
{
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return false;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    QFile file;
    return file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)
           && file.write(png) == png.size();
}

// Empty when the run may go on; otherwise the status to leave with.
std::optional<int> parse_command_line(const QStringList& arguments, render_options& o)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Verifie des fichiers de session comme packview-check --all et dessine les vues de "
        "chacun dans une image PNG, sans affichage ; les defauts y sont marques.\n"
        "Statut de sortie : 0 si chaque fichier se charge, 1 si un fichier echoue a la "
        "verification, 2 si un fichier ne s'ouvre pas, si une image ne s'ecrit pas ou si la "
        "ligne de commande est fausse."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Affiche cette aide."));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Dossier des images (le dossier courant par "
                                                "defaut)."),
                                 QStringLiteral("DOSSIER"), QStringLiteral("."));
    const QCommandLineOption view(QStringLiteral("view"),
                                  QStringLiteral("Une seule vue : main, x, y ou z."),
                                  QStringLiteral("VUE"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Taille de la vue principale en pixels "
                                                 "(1000x700 par defaut)."),
                                  QStringLiteral("LxH"), QStringLiteral("1000x700"));
    const QCommandLineOption camera(QStringLiteral("camera"),
                                    QStringLiteral("La vue principale : packing, cadree sur le "
                                                   "conteneur et toutes les boites (par defaut), "
                                                   "ou window, comme la fenetre l'ouvre."),
                                    QStringLiteral("CAMERA"), QStringLiteral("packing"));
    const QCommandLineOption colour(QStringLiteral("colour"),
                                    QStringLiteral("Couleur des boites : palette (par defaut) "
                                                   "ou support (selon la part d'appui)."),
                                    QStringLiteral("MODE"), QStringLiteral("palette"));
    const QCommandLineOption max_faults = max_faults_option();
    parser.addOptions({help, out, view, size, camera, colour, max_faults});
    parser.addOptions(support_options());
    parser.addPositionalArgument(QStringLiteral("FICHIER"),
                                 QStringLiteral("Fichiers de session, dessines dans l'ordre."),
                                 QStringLiteral("FICHIER..."));
    bool understood = false;
    if (const std::optional<int> status =
            parse_files(parser, arguments, help, o.check.files, understood))
        return status;
    o.check.every_fault = true;
    o.out_dir = parser.value(out).toLatin1();
    o.view = parser.isSet(view) ? view_names.indexOf(parser.value(view)) : -1;
    o.main_size = size_from_text(parser.value(size));
    understood = understood && read_max_faults(parser, max_faults, o.check.max_faults)
                 && read_support_checks(parser, o.check.support);
    o.colours_by_support = parser.value(colour) == QLatin1String("support");
    if (understood && !o.colours_by_support && parser.value(colour) != QLatin1String("palette")) {
        understood = false;
        std::cerr << "Couleur inconnue : " << parser.value(colour).toLocal8Bit().constData()
                  << '\n';
    }
    if (understood && parser.isSet(view) && o.view < 0) {
        understood = false;
        std::cerr << "Vue inconnue : " << parser.value(view).toLocal8Bit().constData() << '\n';
    }
    o.window_camera = parser.value(camera) == QLatin1String("window");
    if (understood && !o.window_camera && parser.value(camera) != QLatin1String("packing")) {
        understood = false;
        std::cerr << "Camera inconnue : " << parser.value(camera).toLocal8Bit().constData()
                  << '\n';
    }
    if (understood && o.main_size.isEmpty()) {
        understood = false;
        std::cerr << "Taille invalide : " << parser.value(size).toLocal8Bit().constData() << '\n';
    }
    // An axis view takes 35 % of the width and a third of the height: each needs a pixel.
    if (understood && o.view != 0 && axis_view_size(o.main_size).isEmpty()) {
        understood = false;
        std::cerr << "Taille trop petite pour les vues des axes : "
                  << parser.value(size).toLocal8Bit().constData() << " (3x3 au moins)\n";
    }
    if (const std::optional<int> status = refuse_unless(parser, understood, o.check.files))
        return status;
    return std::nullopt;
}

// The checker's lines for the file, then its picture, with its faults marked as far as the
// lines list them; only the lines when the folder of the pictures could not be made.
exit_status render_file(const QByteArray& native_path, const render_options& o,
                        scene_drawing& scene, bool can_write, QSet<QByteArray>& taken)
{
    std::vector<packing_fault> written_faults;
    int64_t left_out = 0;
    file_check c = text_report::check(native_path, o.check, &written_faults, &left_out);
    if (c.read.unreadable)
        return c.status();
    if (!c.packing.container) {
        text_report::write_line(QLatin1String("Pas d'image : aucun conteneur lu dans ") + c.path);
        return c.status();
    }
    if (!can_write)
        return c.status();
    c.packing.faults = std::move(written_faults);
    if (o.colours_by_support && !c.packing.support && c.packing.grid)
        c.packing.support = std::make_unique<support_map>(c.packing.boxes, *c.packing.grid);
    c.packing.colours_by_support = o.colours_by_support;
    const QByteArray path = picture_path(native_path, o, taken);
    const picture_caption caption(QFileInfo(c.path).fileName(), c.read.loaded, c.packing.faults,
                                  left_out);
    const QImage views = draw_views(scene, &c.packing, o);
    const QImage picture = views.isNull() ? views : caption.under(views);
    if (picture.isNull() || !write_png(picture, path)) {
        text_report::write_line(QLatin1String("Erreur: image non ecrite : ") + QFile::decodeName(path));
        return not_opened;
    }
    // The path as its own bytes, whatever the other lines' ISO 8859-1 makes of a name, so
    // that a script can open the picture it reads of.
    std::cout << "Image : " << path.constData() << '\n';
    return c.status();
}

}  // namespace

int main(int argc, char* argv[])
{
    // Fonts for the captions, and never a window: no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("packview-render"));
    std::ios::sync_with_stdio(false);
    render_options o;
    if (const std::optional<int> status = parse_command_line(byte_faithful_arguments(argc, argv), o))
        return *status;
    headless_context context;
    if (!context.is_current()) {
        std::cerr << context.error().toLocal8Bit().constData() << std::endl;
        return int(not_opened);
    }
    // Without a folder for the pictures every file is still checked and its lines written.
    const QString folder_error = make_folders(o.out_dir);
    scene_drawing scene;
    scene.set_up();
    exit_status status = all_loaded;
    QSet<QByteArray> taken;
    for (const QByteArray& path : o.check.files)
        status = std::max(status, render_file(path, o, scene, folder_error.isEmpty(), taken));
    scene.release();
    std::cout.flush();
    if (!folder_error.isEmpty()) {
        std::cerr << "Dossier impossible a creer : " << o.out_dir.constData() << ": "
                  << folder_error.toLocal8Bit().constData() << std::endl;
        status = not_opened;
    }
    return int(status);
}
