// Runs the real packview-render command with no display and compares its pictures with the
// window's views of the same files, and its lines and status with packview-check --all.

#include "model/session.h"
#include "model/session_reader.h"
#include "tests/screen_copy.h"
#include "view3d/gl_widget.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    void picture_explains_itself();
};

void tst_render::picture_equals_window_frame_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    QTest::newRow("packing, main view") << packing() << "main" << 0 << QSize(640, 480);
    QTest::newRow("packing, x view") << packing() << "x" << 1 << QSize(224, 160);
    QTest::newRow("packing, y view") << packing() << "y" << 2 << QSize(224, 160);
    QTest::newRow("packing, z view") << packing() << "z" << 3 << QSize(224, 160);
    QTest::newRow("faulty packing, main view") << faulty << "main" << 0 << QSize(500, 500);
    QTest::newRow("faulty packing, z view") << faulty << "z" << 3 << QSize(175, 166);
}

// The picture is drawn by the window's own scene drawing in a context of its own; it must be
// the frame the window's view of that size shows on screen.
void tst_render::picture_equals_window_frame()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, view);
    QFETCH(int, mode);
    QFETCH(QSize, size);
    if (!qFuzzyCompare(qApp->devicePixelRatio(), 1.0))
        QSKIP("pictures are compared at the window's own pixel size");
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("s.qrv"), file));
    const QString main_size = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    const run_result r = run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(),
                             {"s.qrv", "--out", "pictures", "--view", view, "--size", main_size,
                              "--camera", "window"});
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
}

void tst_render::lines_and_status_are_the_checkers_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("pictures");
    QTest::newRow("valid") << QStringList{"p.qrv"} << QStringList{"p.png"};
    QTest::newRow("overlaps and boxes outside") << QStringList{"f.qrv"} << QStringList{"f.png"};
    QTest::newRow("fault of the format") << QStringList{"g.qrv"} << QStringList{"g.png"};
    QTest::newRow("missing file") << QStringList{"none.qrv"} << QStringList{};
    QTest::newRow("several, one name twice")
        << QStringList{"p.qrv", "f.qrv", "sub/p.qrv"} << QStringList{"p.png", "f.png", "p-2.png"};
}

void tst_render::lines_and_status_are_the_checkers()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, pictures);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("sub"));
    for (const char* name : {"p.qrv", "sub/p.qrv"})
        QVERIFY(write_file(dir.filePath(name), packing()));
    QVERIFY(write_file(dir.filePath("f.qrv"), faulty));
    QVERIFY(write_file(dir.filePath("g.qrv"), format_fault));

    const run_result checked =
        run(QStringLiteral(PACKVIEW_CHECK_PATH), dir.path(), QStringList{"--all"} + files);
    const run_result rendered =
        run(QStringLiteral(PACKVIEW_RENDER_PATH), dir.path(), files + QStringList{"--out", "out"});
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

QTEST_MAIN(tst_render)
#include "tst_render.moc"
