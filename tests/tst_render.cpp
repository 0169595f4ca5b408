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
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct run_result {
    int status = -1;
    QByteArray out;
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
    return r;
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

const QByteArray format_fault =
    "<qarvel name=\"g\"><container length=\"10\" width=\"8\" height=\"6\"/><boxs number=\"2\">\n"
    "<box id=\"a\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\" color=\"2\"/>\n"
    "<oops/></boxs></qarvel>\n";

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

bool overhang_magenta(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) > 200;
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
                                         main_size} + options);
    QVERIFY(r.status == 0 || r.status == 1);
    const QImage picture(dir.filePath("pictures/s-" + view + ".png"));
    QVERIFY(!picture.isNull());

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
        renew_support_faults(s, checks);
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
        QVERIFY(holds(picture, overhang_magenta));
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
    QStringList said;
    for (const QByteArray& line : rendered.out.split('\n'))
        if (line.startsWith("Image : "))
            said << QString::fromLatin1(line.mid(8));
    QStringList expected;
    for (const QString& name : pictures) {
        expected << "out/" + name;
        QVERIFY2(!QImage(dir.filePath("out/" + name)).isNull(), qPrintable(name));
    }
    QCOMPARE(said, expected);
}

QTEST_MAIN(tst_render)
#include "tst_render.moc"
