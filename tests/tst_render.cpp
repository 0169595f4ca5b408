// Runs the real packview-render command with no display and compares its pictures with the
// window's views of the same files, and its lines and status with packview-check --all.

#include "model/session.h"
#include "model/session_reader.h"
#include "model/support_checks.h"
#include "model/support_faults.h"
#include "model/support_map.h"
#include "tests/screen_copy.h"
#include "view3d/gl_widget.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

struct run_result {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// With no display at all: the pictures need none.
run_result run(const QString& program, const QString& directory, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(directory);
    process.start(program, arguments);
    run_result r;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = process.exitCode();
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

// A command through the shell, so that file names reach it as their bytes, whatever they are.
run_result run_shell(const QString& directory, const QByteArray& command)
{
    return run(QStringLiteral("/bin/sh"), directory, {"-c", QString::fromLatin1(command)});
}

bool write_file_named(const QByteArray& path, const QByteArray& bytes)
{
    FILE* file = std::fopen(path.constData(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file)
                         == std::size_t(bytes.size());
    return std::fclose(file) == 0 && written;
}

QByteArray read_file_named(const QByteArray& path)
{
    QByteArray bytes;
    FILE* file = std::fopen(path.constData(), "rb");
    if (!file)
        return bytes;
    char block[4096];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
        bytes.append(block, int(n));
    std::fclose(file);
    return bytes;
}

bool write_file(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Boxes of every colour in rows and stacks, one of them resting on two others.
QByteArray packing()
{
    QByteArray xml = "<qarvel name=\"p\"><container length=\"40\" width=\"20\" height=\"12\"/>"
                     "<boxs number=\"17\">\n";
    for (int i = 0; i < 16; ++i)
        xml += QStringLiteral("<box id=\"b%1\" length=\"5\" width=\"%2\" height=\"%3\" px=\"%4\" "
                              "py=\"0\" pz=\"%5\" color=\"%1\"/>\n")
                   .arg(i).arg(4 + i % 3).arg(3 + i % 5).arg(5 * (i % 8)).arg(10 * (i / 8))
                   .toLatin1();
    xml += "<box id=\"top\" length=\"8\" width=\"4\" height=\"2\" px=\"3\" py=\"8\" pz=\"0\" "
           "color=\"4\"/>\n</boxs></qarvel>\n";
    return xml;
}

// Two overlapping boxes, one sticking out through the far wall, one past the roof.
const QByteArray faulty =
    "<qarvel name=\"f\"><container length=\"10\" width=\"8\" height=\"6\"/><boxs number=\"4\">\n"
    "<box id=\"a\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\" color=\"2\"/>\n"
    "<box id=\"b\" length=\"4\" width=\"8\" height=\"3\" px=\"2\" py=\"1\" pz=\"0\" color=\"3\"/>\n"
    "<box id=\"c\" length=\"3\" width=\"9\" height=\"2\" px=\"7\" py=\"0\" pz=\"0\" color=\"5\"/>\n"
    "<box id=\"d\" length=\"2\" width=\"2\" height=\"4\" px=\"8\" py=\"4\" pz=\"3\" color=\"7\"/>\n"
    "</boxs></qarvel>\n";

// As many faults as the one above, in other places and with more boxes: a collision on top
// of two valid boxes, a box through the right wall and one past the roof.
const QByteArray faulty_elsewhere =
    "<qarvel name=\"e\"><container length=\"12\" width=\"8\" height=\"6\"/><boxs number=\"6\">\n"
    "<box id=\"a\" length=\"6\" width=\"4\" height=\"2\" px=\"0\" py=\"0\" pz=\"4\" color=\"9\"/>\n"
    "<box id=\"b\" length=\"6\" width=\"4\" height=\"2\" px=\"6\" py=\"0\" pz=\"4\" color=\"10\"/>\n"
    "<box id=\"c\" length=\"5\" width=\"3\" height=\"3\" px=\"5\" py=\"2\" pz=\"4\" color=\"11\"/>\n"
    "<box id=\"d\" length=\"4\" width=\"3\" height=\"2\" px=\"7\" py=\"3\" pz=\"5\" color=\"12\"/>\n"
    "<box id=\"e\" length=\"4\" width=\"2\" height=\"2\" px=\"10\" py=\"0\" pz=\"0\" color=\"13\"/>\n"
    "<box id=\"f\" length=\"2\" width=\"2\" height=\"3\" px=\"0\" py=\"4\" pz=\"0\" color=\"14\"/>\n"
    "</boxs></qarvel>\n";

const QByteArray format_fault =
    "<qarvel name=\"g\"><container length=\"10\" width=\"8\" height=\"6\"/><boxs number=\"2\">\n"
    "<box id=\"a\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\" color=\"2\"/>\n"
    "<oops/></boxs></qarvel>\n";

// The paths that the run's "Image : " lines name, in order.
QStringList pictures_named(const QByteArray& out)
{
    QStringList said;
    for (const QByteArray& line : out.split('\n'))
        if (line.startsWith("Image : "))
            said << QString::fromLatin1(line.mid(8));
    return said;
}

QByteArray without_picture_lines(const QByteArray& out)
{
    QByteArray kept;
    for (const QByteArray& line : out.split('\n').mid(0, out.count('\n')))
        if (!line.startsWith("Image : "))
            kept += line + '\n';
    return kept;
}

}  // namespace

class tst_render : public QObject {
    Q_OBJECT

private slots:
    void picture_equals_window_frame_data();
    void picture_equals_window_frame();
    void lines_and_status_are_the_checkers_data();
    void lines_and_status_are_the_checkers();
    void picture_explains_itself();
    void pictures_of_a_run_equal_each_file_alone();
    void picture_lines_name_the_files_written();
    void refusals_and_an_output_folder_that_cannot_be_made_data();
    void refusals_and_an_output_folder_that_cannot_be_made();
};

void tst_render::picture_equals_window_frame_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("packing, main view") << packing() << "main" << 0 << QSize(640, 480)
                                        << QStringList();
    QTest::newRow("packing, x view") << packing() << "x" << 1 << QSize(224, 160) << QStringList();
    QTest::newRow("packing, y view") << packing() << "y" << 2 << QSize(224, 160) << QStringList();
    QTest::newRow("packing, z view") << packing() << "z" << 3 << QSize(224, 160) << QStringList();
    QTest::newRow("faulty packing, main view") << faulty << "main" << 0 << QSize(500, 500)
                                               << QStringList();
    QTest::newRow("faulty packing, z view") << faulty << "z" << 3 << QSize(175, 166)
                                            << QStringList();
    const QStringList support = {"--min-support", "100", "--centre", "--colour", "support"};
    QTest::newRow("support marks and colours, main view")
        << packing() << "main" << 0 << QSize(640, 480) << support;
    QTest::newRow("support marks and colours, x view")
        << packing() << "x" << 1 << QSize(224, 160) << support;
}

// Pure magenta is the overhang's alone; pure green the colour of a box wholly supported.
bool holds(const QImage& image, bool (*colour)(QRgb))
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (colour(image.pixel(x, y)))
                return true;
    return false;
}

bool overhang_cyan(QRgb p)
{
    return qRed(p) < 60 && qGreen(p) > 200 && qBlue(p) > 200;
}

bool wholly_supported_green(QRgb p)
{
    return qRed(p) < 40 && qGreen(p) > 100 && qBlue(p) < 40;
}

// The picture is drawn by the window's own scene drawing in a context of its own; it must be
// the frame the window's view of that size shows on screen.
void tst_render::picture_equals_window_frame()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, view);
    QFETCH(int, mode);
    QFETCH(QSize, size);
    QFETCH(QStringList, options);
    if (!qFuzzyCompare(qApp->devicePixelRatio(), 1.0))
        QSKIP("pictures are compared at the window's own pixel size");
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("s.qrv"), file));
    const QString main_size = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    const run_result r = run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(),
                             QStringList{"s.qrv", "--out", "pictures", "--view", view, "--size",
                                         main_size, "--camera", "window"} + options);
    QVERIFY(r.status == 0 || r.status == 1);
    const QImage captioned(dir.filePath("pictures/s-" + view + ".png"));
    QVERIFY(!captioned.isNull());
    // The view above its caption band; an axis view is 35 % of the main view's width and a
    // third of its height.
    const QSize view_size = mode == 0 ? size : QSize(size.width() * 7 / 20, size.height() / 3);
    QVERIFY(captioned.height() > view_size.height());
    const QImage picture = captioned.copy(QRect(QPoint(0, 0), view_size));

    session_reader::result read =
        session_reader::read(dir.filePath("s.qrv"), session_reader::mode::every_fault);
    session s;
    s.container = std::move(read.container);
    s.grid = std::move(read.grid);
    s.boxes = std::move(read.boxes);
    s.faults = std::move(read.faults);
    if (!options.isEmpty()) {
        support_checks checks;
        checks.min_share = support_checks::parse_least_share("100");
        checks.centre = true;
        s.support = std::make_unique<support_map>(s.boxes, *s.grid);
        renew_support_faults(s, checks, 0);
        s.colours_by_support = true;
    }
    gl_widget window_view;
    window_view.set_current_session(&s);
    window_view.set_view_mode(mode);
    window_view.resize(picture.size());
    window_view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window_view));
    const QImage frame = screen_copy::fresh_frame(window_view);
    QCOMPARE(frame.size(), picture.size());
    const int differing =
        screen_copy::differing_pixels(frame, picture.convertToFormat(QImage::Format_RGB32));
    QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1 pixels differ").arg(differing)));
    if (!options.isEmpty()) {
        QVERIFY(holds(picture, overhang_cyan));
        QVERIFY(holds(picture, wholly_supported_green));
    }
}

void tst_render::lines_and_status_are_the_checkers_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("pictures");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("valid") << QStringList{"p.qrv"} << QStringList{"p.png"} << QStringList();
    QTest::newRow("overlaps and boxes outside") << QStringList{"f.qrv"} << QStringList{"f.png"}
                                                << QStringList();
    QTest::newRow("fault of the format") << QStringList{"g.qrv"} << QStringList{"g.png"}
                                         << QStringList();
    QTest::newRow("missing file") << QStringList{"none.qrv"} << QStringList{} << QStringList();
    QTest::newRow("several, one name twice")
        << QStringList{"p.qrv", "f.qrv", "sub/p.qrv"} << QStringList{"p.png", "f.png", "p-2.png"}
        << QStringList();
    QTest::newRow("support checks")
        << QStringList{"p.qrv", "f.qrv"} << QStringList{"p.png", "f.png"}
        << QStringList{"--min-support", "99.5", "--centre"};
}

void tst_render::lines_and_status_are_the_checkers()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, pictures);
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("sub"));
    for (const char* name : {"p.qrv", "sub/p.qrv"})
        QVERIFY(write_file(dir.filePath(name), packing()));
    QVERIFY(write_file(dir.filePath("f.qrv"), faulty));
    QVERIFY(write_file(dir.filePath("g.qrv"), format_fault));

    const run_result checked =
        run(QStringLiteral(PACKVIEW_CHECK_PATH), dir.path(), QStringList{"--all"} + options + files);
    const run_result rendered = run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(),
                                    files + options + QStringList{"--out", "out"});
    QCOMPARE(rendered.status, checked.status);
    QCOMPARE(without_picture_lines(rendered.out), checked.out);
    const QStringList said = pictures_named(rendered.out);
    QStringList expected;
    for (const QString& name : pictures) {
        expected << "out/" + name;
        QVERIFY2(!QImage(dir.filePath("out/" + name)).isNull(), qPrintable(name));
    }
    QCOMPARE(said, expected);
}

namespace {

// How many pixels of the rectangle have exactly this colour.
int count_colour(const QImage& image, const QRect& part, QRgb colour)
{
    int count = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            count += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return count;
}

}  // namespace

// A picture says what it shows: its caption names the file, the verdict and the faults by kind
// as packview-check --all --json counts them, a legend shows the marks' colours under the views;
// by default the main view takes in a box far outside the container, which the window's fixed
// camera leaves off the view.
void tst_render::picture_explains_itself()
{
    QTemporaryDir dir;
    // The two overlapping boxes of the faulty file and a box far past the container's end.
    const QByteArray far_out =
        "<qarvel name=\"far\"><container length=\"10\" width=\"8\" height=\"6\"/><boxs number=\"3\">\n"
        "<box id=\"a\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\" color=\"2\"/>\n"
        "<box id=\"b\" length=\"4\" width=\"8\" height=\"3\" px=\"2\" py=\"1\" pz=\"0\" color=\"3\"/>\n"
        "<box id=\"e\" length=\"2\" width=\"2\" height=\"2\" px=\"60\" py=\"0\" pz=\"0\" color=\"1\"/>\n"
        "</boxs></qarvel>\n";
    QVERIFY(write_file(dir.filePath("far.qrv"), far_out));
    const run_result checked = run(QStringLiteral(PACKVIEW_CHECK_PATH), dir.path(),
                                   {"--all", "--json", "far.qrv"});
    QMap<QString, int> counted;
    const QJsonArray files = QJsonDocument::fromJson(checked.out).array();
    QCOMPARE(files.size(), 1);
    for (const QJsonValue& f : files[0]["faults"].toArray())
        ++counted[f["kind"].toString()];
    QCOMPARE(counted.value("collision"), 1);
    QCOMPARE(counted.value("outside"), 1);
    const QString expected_caption =
        QStringLiteral("far.qrv : PBM - defauts : collision %1, hors %2")
            .arg(counted.value("collision")).arg(counted.value("outside"));

    const QSize main_size(400, 300);
    for (const QString& camera : {QStringLiteral("packing"), QStringLiteral("window")}) {
        const run_result r =
            run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(),
                {"far.qrv", "--out", camera, "--size", "400x300", "--camera", camera});
        QCOMPARE(r.status, 1);
        const QImage picture(dir.filePath(camera + "/far.png"));
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.text("Caption"), expected_caption);
        QVERIFY(picture.text("Legend").contains("cellules partagees (collision)"));
        QVERIFY(picture.text("Legend").contains("partie hors du conteneur"));
        const QRect band(0, main_size.height(), picture.width(),
                         picture.height() - main_size.height());
        QVERIFY(band.height() > 20);
        for (QRgb mark : {qRgb(255, 0, 255), qRgb(0, 255, 0)})
            QVERIFY2(count_colour(picture, band, mark) >= 16, qPrintable(camera));
        // The far box is all outside, so it is the only green of the main view.
        const QRect main_view(QPoint(0, 0), main_size);
        const QRect green = screen_copy::bounds_of_colour(picture, main_view, qRgb(0, 255, 0));
        if (camera == "window") {
            QVERIFY(green.isEmpty());
        } else {
            QVERIFY(!green.isEmpty());
            QVERIFY2(main_view.adjusted(1, 1, -1, -1).contains(green),
                     qPrintable(QStringLiteral("green at %1, %2 to %3, %4").arg(green.left())
                                    .arg(green.top()).arg(green.right()).arg(green.bottom())));
        }
    }
}

// Nothing of one file's picture may stay for the next one's: faulty files with as many faults
// as the file before them, more boxes, valid files and a format fault in one run.
void tst_render::pictures_of_a_run_equal_each_file_alone()
{
    QTemporaryDir dir;
    const QList<QPair<QString, QByteArray>> folder = {
        {"f.qrv", faulty}, {"e.qrv", faulty_elsewhere}, {"p.qrv", packing()},
        {"f2.qrv", faulty}, {"g.qrv", format_fault}, {"e2.qrv", faulty_elsewhere}};
    QStringList names;
    for (const auto& file : folder) {
        QVERIFY(write_file(dir.filePath(file.first), file.second));
        names << file.first;
    }
    const QStringList size = {"--size", "400x280"};
    const run_result together = run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(),
                                    names + QStringList{"--out", "together"} + size);
    const QStringList pictures = pictures_named(together.out);
    QCOMPARE(pictures.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QString alone_dir = QStringLiteral("alone%1").arg(i);
        const run_result alone = run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(),
                                     QStringList{names[i], "--out", alone_dir} + size);
        const QStringList alone_pictures = pictures_named(alone.out);
        QCOMPARE(alone_pictures.size(), 1);
        const QImage in_run(dir.filePath(pictures[i]));
        const QImage by_itself(dir.filePath(alone_pictures[0]));
        QVERIFY(!in_run.isNull());
        const int differing = screen_copy::differing_pixels(in_run, by_itself);
        QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1: %2 pixels differ")
                                                .arg(names[i]).arg(differing)));
    }
}

// Names outside ISO 8859-1, names that are not UTF-8 and a name that is only an extension:
// each "Image : " line, read as bytes, is the path of the picture of its file, named after
// the file's own bytes.
void tst_render::picture_lines_name_the_files_written()
{
    QTemporaryDir dir;
    const QList<QByteArray> stems = {"\xe6\x97\xa5\xe6\x9c\xac", "\xe4\xb8\xad\xe6\x96\x87",
                                     "caf\xc3\xa9", "\xff\xfe", ""};
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    QList<QByteArray> expected;
    for (const QByteArray& stem : stems) {
        QVERIFY(write_file_named(folder + stem + ".qrv", packing()));
        expected << "out/" + (stem.isEmpty() ? QByteArray("qrv") : stem) + ".png";
    }
    const run_result r = run_shell(dir.path(), "DISPLAY= " + QByteArray(PACKVIEW_RENDER_PATH)
                                                   + " --size 200x140 --out out *.qrv .qrv");
    QCOMPARE(r.status, 0);
    QList<QByteArray> said;
    for (const QByteArray& line : r.out.split('\n'))
        if (line.startsWith("Image : "))
            said << line.mid(8);
    std::sort(said.begin(), said.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(said, expected);
    for (const QByteArray& path : said)
        QVERIFY2(!QImage::fromData(read_file_named(folder + path), "PNG").isNull(),
                 path.toHex().constData());
}

void tst_render::refusals_and_an_output_folder_that_cannot_be_made_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("err_contains");
    QTest::addColumn<bool>("lines");  // the checker's lines are written
    QTest::newRow("too small for the axis views")
        << QStringList{"p.qrv", "--size", "2x2"} << 2
        << QByteArray("Taille trop petite pour les vues des axes : 2x2") << false;
    QTest::newRow("too small for an axis view alone")
        << QStringList{"p.qrv", "--size", "100x2", "--view", "y"} << 2
        << QByteArray("Taille trop petite") << false;
    QTest::newRow("the main view alone can be tiny")
        << QStringList{"p.qrv", "f.qrv", "--size", "2x2", "--view", "main"} << 1 << QByteArray()
        << true;
    QTest::newRow("output folder under a file")
        << QStringList{"p.qrv", "f.qrv", "--out", "blocker/pictures"} << 2
        << QByteArray("Dossier impossible a creer : blocker/pictures") << true;
}

// A size the axis views cannot take is refused before any file is read; an output folder
// that cannot be made still lets every file be checked and its lines written.
void tst_render::refusals_and_an_output_folder_that_cannot_be_made()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, err_contains);
    QFETCH(bool, lines);
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("p.qrv"), packing()));
    QVERIFY(write_file(dir.filePath("f.qrv"), faulty));
    QVERIFY(write_file(dir.filePath("blocker"), "a file"));
    const run_result r = run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(), arguments);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(err_contains), r.err.constData());
    QStringList files;
    for (const QString& argument : arguments)
        if (argument.endsWith(".qrv"))
            files << argument;
    const run_result checked =
        run(QStringLiteral(PACKVIEW_CHECK_PATH), dir.path(), QStringList{"--all"} + files);
    QCOMPARE(without_picture_lines(r.out), lines ? checked.out : QByteArray());
}

QTEST_MAIN(tst_render)
#include "tst_render.moc"
