#include "app/debug_stream.h"
#include "app/mainwindow.h"
#include "browser/liste_boite.h"
#include "model/session.h"
#include "view3d/gl_widget.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QXmlStreamReader>
#include <QtTest>

#include <cerrno>
#include <iostream>
#include <sstream>

#include <sys/stat.h>

Q_DECLARE_METATYPE(QStandardItem*)

namespace {

const QString loaded_line = QStringLiteral("Lire le fichier -> OK");
const QString failed_line = QStringLiteral("Lire le fichier -> PBM");
const QString unknown_element = QStringLiteral(
    "Erreur: le format du fichier session n'est pas correcte [1]");
const QString unclosed = QStringLiteral(
    "Erreur: le format du fichier session n'est pas correct [3]");
const QString count_differs = QStringLiteral(
    "Erreur: le format du fichier session n'est pas correct [4]");
const QString no_container = QStringLiteral(
    "Erreur: le format du fichier session n'est pas correct [5]");

QString open_line(const QString& path)
{
    return QStringLiteral("Ouvrir le fichier : ") + path;
}

QStringList outside(const QString& id)
{
    return {QString(),
            "Erreur: il existe des boites qui depassent la taille de conteneur. [boite " + id + "]",
            QString()};
}

QStringList collision(const QString& id)
{
    return {QString(), "Erreur: collision detectee [boite " + id + "]", QString()};
}

// The session file of the two-box example, 10 x 8 x 6 with two boxes side by side on x.
const QByteArray two_box_example =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<qarvel name=\"demo\">\n"
    "  <container length=\"10\" width=\"8\" height=\"6\"/>\n"
    "  <param/>\n"
    "  <boxs number=\"2\">\n"
    "    <box id=\"1\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\" color=\"2\"/>\n"
    "    <box id=\"2\" length=\"6\" width=\"8\" height=\"3\" px=\"4\" py=\"0\" pz=\"0\" color=\"5\"/>\n"
    "  </boxs>\n"
    "</qarvel>\n";

const QStringList two_box_lines = {
    "boite num:1 - dim: 4,8,3  - pos: 0,0,0",
    "boite num:2 - dim: 6,8,3  - pos: 4,0,0",
};

const QByteArray container_10_8_6 = "<container length=\"10\" width=\"8\" height=\"6\"/>";

QByteArray box_xml(const char* id, int px, int py, int pz, int length, int width, int height)
{
    return QStringLiteral("<box id=\"%1\" length=\"%2\" width=\"%3\" height=\"%4\" px=\"%5\" "
                          "py=\"%6\" pz=\"%7\" color=\"3\"/>")
        .arg(QLatin1String(id)).arg(length).arg(width).arg(height).arg(px).arg(py).arg(pz)
        .toLatin1();
}

// The document element around the body, with nothing after it.
QByteArray in_document(const QByteArray& body)
{
    return "<?xml version=\"1.0\"?>\n<qarvel name=\"t\">" + body + "</qarvel>\n";
}

QByteArray boxs(int number, const QByteArray& boxes)
{
    return "<boxs number=\"" + QByteArray::number(number) + "\">" + boxes + "</boxs>";
}

QStringList pane_lines(const MainWindow& window)
{
    return window.output_pane()->toPlainText().split('\n');
}

liste_boite* tree_of(const MainWindow& window)
{
    return window.findChild<liste_boite*>("treeView");
}

QVector<gl_widget*> views_of(const MainWindow& window)
{
    QVector<gl_widget*> views;
    for (const char* name : {"widget_opengl", "widget_gl_axe_x", "widget_gl_axe_y",
                             "widget_gl_axe_z"})
        views << window.findChild<gl_widget*>(name);
    return views;
}

// What a load may change outside the reader: the registry, the tree and the views.
struct window_state {
    QVector<const session*> sessions;
    QVector<int> tree_rows;  // the root's row count, then each session node's
    QVector<const session*> shown;

    explicit window_state(const MainWindow& window)
    {
        for (const auto& s : window.registered_sessions())
            sessions << s.get();
        const QAbstractItemModel* model = tree_of(window)->model();
        const QModelIndex root = model->index(0, 0);
        tree_rows << model->rowCount() << model->rowCount(root);
        for (int row = 0; row < model->rowCount(root); ++row)
            tree_rows << model->rowCount(model->index(row, 0, root));
        for (const gl_widget* view : views_of(window))
            shown << view->current_session();
    }

    bool operator==(const window_state& other) const
    {
        return sessions == other.sessions && tree_rows == other.tree_rows
               && shown == other.shown;
    }
};

// Everything written to std::cerr while it lives.
struct captured_errors {
    std::ostringstream text;
    std::streambuf* const previous = std::cerr.rdbuf(text.rdbuf());
    ~captured_errors() { std::cerr.rdbuf(previous); }
};

// A container of 10 x 10 x 10 holding the given "box" elements.
QByteArray session_of(const QByteArray& boxes, int number)
{
    return in_document("<container length=\"10\" width=\"10\" height=\"10\"/>"
                       + boxs(number, boxes));
}

// A box 1,2,3 at 4,5,6 with this id, written as it stands.
QByteArray box_1_2_3_at(const QString& id, int px = 4)
{
    return "<box id=\"" + id.toUtf8() + "\" length=\"1\" width=\"2\" height=\"3\" px=\""
           + QByteArray::number(px) + "\" py=\"5\" pz=\"6\" color=\"3\"/>";
}

// The information pane's lines, without the blanks around them.
QStringList info_pane_lines(const MainWindow& window)
{
    QStringList lines =
        window.findChild<QTextEdit*>("zone_info_boite")->toPlainText().split('\n');
    for (QString& line : lines)
        line = line.trimmed();
    return lines;
}

// With a byte order mark, as a UTF-16 session file starts.
QByteArray utf16(const QString& text, bool big_endian)
{
    QByteArray bytes;
    for (const QChar c : QChar(QChar::ByteOrderMark) + text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xff);
        bytes += big_endian ? QByteArray(1, high) + low : QByteArray(1, low) + high;
    }
    return bytes;
}

QByteArray encoded(const QString& text, const QString& encoding)
{
    if (encoding == "UTF-8")
        return text.toUtf8();
    return utf16(text, encoding == "UTF-16BE");
}

// What copying a file line by line in text mode gives: a CR LF that ends a line becomes LF;
// any other CR stays.
QByteArray text_mode_copy(const QByteArray& bytes)
{
    QByteArray copy;
    int start = 0;
    while (start < bytes.size()) {
        const int newline = bytes.indexOf('\n', start);
        const int end = newline < 0 ? bytes.size() : newline + 1;
        QByteArray line = bytes.mid(start, end - start);
        if (line.endsWith("\r\n"))
            line.replace(line.size() - 2, 2, "\n");
        copy += line;
        start = end;
    }
    return copy;
}

// A session file of one-unit boxes in a row, with random ids, blanks and text content drawn
// from the alphabet.
QString random_session(QRandomGenerator& random, const QString& alphabet, int boxes)
{
    const auto draw = [&](int longest) {
        QString text;
        for (int n = random.bounded(longest + 1); n > 0; --n)
            text += alphabet[random.bounded(alphabet.size())];
        return text;
    };
    const QStringList blanks = {"\r\n", "\r", "\n", " ", "\r\r\n", "\n\r"};
    const auto blank = [&] { return blanks[random.bounded(blanks.size())]; };
    const QString count = QString::number(boxes);
    QString xml = "<qarvel name=\"" + draw(4) + "\">" + blank() + "<container length=\"" + count
                  + "\" width=\"1\" height=\"1\"/>" + blank() + "<boxs number=\"" + count + "\">";
    for (int i = 0; i < boxes; ++i)
        xml += blank() + "<box id=\"" + draw(6) + "\" length=\"1\" width=\"1\" height=\"1\" px=\""
               + QString::number(i) + "\" py=\"0\" pz=\"0\">" + draw(3) + "</box>";
    return xml + blank() + "</boxs></qarvel>" + blank();
}

// The box ids the XML reader finds in these bytes; false when it meets an error.
bool box_ids_in(const QByteArray& bytes, QStringList& ids)
{
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("box"))
            ids << xml.attributes().value(QLatin1String("id")).toString();
    }
    return !xml.hasError();
}

struct failing_case {
    QByteArray content;
    QStringList lines;  // between the opening line and the closing one
};

struct loaded_case {
    QByteArray content;
    QStringList box_lines;
};

}  // namespace

Q_DECLARE_METATYPE(failing_case)
Q_DECLARE_METATYPE(loaded_case)

class tst_reader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void two_box_example_is_reported_and_shown();
    void failing_file_changes_nothing_data();
    void failing_file_changes_nothing();
    void loaded_file_data();
    void loaded_file();
    void already_open_path_is_refused();
    void same_file_under_another_path_loads_again();
    void paths_that_cannot_be_read_data();
    void paths_that_cannot_be_read();
    void ids_are_never_templates_data();
    void ids_are_never_templates();
    void carriage_returns_data();
    void carriage_returns();
    void crlf_file_reads_as_its_lf_twin_data();
    void crlf_file_reads_as_its_lf_twin();
    void reader_sees_the_text_mode_copy_data();
    void reader_sees_the_text_mode_copy();
    void sessions_are_numbered_by_successful_loads();
    void tree_lists_sessions_and_boxes();
    void tree_clicks_describe_and_show_sessions();
    void example_files_load_data();
    void example_files_load();

private:
    QString write_file(const QString& name, const QByteArray& content);

    QTemporaryDir dir;
};

void tst_reader::initTestCase()
{
    qRegisterMetaType<QStandardItem*>();
    QVERIFY(dir.isValid());
}

QString tst_reader::write_file(const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(content);
    return path;
}

void tst_reader::two_box_example_is_reported_and_shown()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    const QString path = write_file("run1.qrv", two_box_example);

    QVERIFY(window.load_session(path));

    QCOMPARE(pane_lines(window), QStringList() << open_line(path) << two_box_lines << loaded_line);
    QCOMPARE(window.registered_sessions().size(), std::size_t(1));
    const session& s = *window.registered_sessions().front();
    QCOMPARE(s.file_name, path);
    QCOMPARE(s.container->length(), 10);
    QCOMPARE(s.container->width(), 8);
    QCOMPARE(s.container->height(), 6);
    QCOMPARE(s.boxes.size(), std::size_t(2));
    QCOMPARE(s.boxes[1]->position.px, 4);
    QCOMPARE(s.boxes[1]->color, 5);
    QCOMPARE(s.grid->taken_count(), int64_t(4 * 8 * 3 + 6 * 8 * 3));
    for (const gl_widget* view : views_of(window)) {
        QCOMPARE(view->current_session(), &s);
        QCOMPARE(view->highlighted_box(), -1);
    }
}

void tst_reader::failing_file_changes_nothing_data()
{
    QTest::addColumn<failing_case>("row");
    const QByteArray first = box_xml("1", 0, 0, 0, 4, 8, 3);
    const QByteArray second = box_xml("2", 4, 0, 0, 6, 8, 3);
    const QByteArray third = box_xml("3", 0, 3, 0, 4, 8, 3);

    QTest::newRow("element Box in another letter case")
        << failing_case{in_document(container_10_8_6 + boxs(1, box_xml("1", 0, 0, 0, 1, 1, 1)
                                                                 .replace("<box", "<Box"))),
                        {unknown_element, count_differs}};
    QTest::newRow("element boxes in place of boxs")
        << failing_case{in_document(container_10_8_6 + "<boxes number=\"1\">" + first
                                    + "</boxes>"),
                        {unknown_element}};
    QTest::newRow("unknown element inside param")
        << failing_case{in_document(container_10_8_6 + "<param><option/></param>"),
                        {unknown_element}};
    QTest::newRow("unknown document element")
        << failing_case{"<session>" + container_10_8_6 + "</session>", {unknown_element}};
    // The XML reader itself stops at an end tag that does not close the innermost element,
    // before the loader sees the tag: the document then reads as one left with open elements.
    QTest::newRow("mismatched end tag reads as unclosed")
        << failing_case{"<qarvel>" + container_10_8_6 + "<boxs number=\"1\">" + first
                            + "</qarvel>",
                        {unclosed}};
    QTest::newRow("mismatched end tag before the declared boxes")
        << failing_case{"<qarvel>" + container_10_8_6 + "<boxs number=\"2\">" + first
                            + "</param></boxs></qarvel>",
                        {unclosed, count_differs}};
    QTest::newRow("truncated inside boxs")
        << failing_case{"<qarvel>" + container_10_8_6 + "<boxs number=\"3\">" + first,
                        {unclosed, count_differs}};
    QTest::newRow("truncated after every declared box")
        << failing_case{"<qarvel>" + container_10_8_6 + "<boxs number=\"1\">" + first + "\n",
                        {unclosed}};
    QTest::newRow("truncated inside a start tag")
        << failing_case{"<qarvel>" + container_10_8_6 + "<boxs number=\"1\"><box id=\"1\" len",
                        {unclosed, count_differs}};
    QTest::newRow("more boxes than declared")
        << failing_case{in_document(container_10_8_6 + boxs(1, first + second)), {count_differs}};
    QTest::newRow("fewer boxes than declared")
        << failing_case{in_document(container_10_8_6 + boxs(3, first + second)), {count_differs}};
    QTest::newRow("boxs without number")
        << failing_case{in_document(container_10_8_6 + "<boxs>" + first + "</boxs>"),
                        {count_differs}};
    QTest::newRow("boxes without boxs")
        << failing_case{in_document(container_10_8_6 + first + second), {count_differs}};
    // Reading stops at the first faulty box: the faulty third box is never checked.
    QTest::newRow("collision in the middle")
        << failing_case{in_document(container_10_8_6
                                    + boxs(3, first + box_xml("2", 3, 2, 7, 2, 1, 1)
                                                  + box_xml("3", 9, 0, 0, 5, 1, 1))),
                        collision("2") << count_differs};
    QTest::newRow("outside in the middle")
        << failing_case{in_document(container_10_8_6
                                    + boxs(3, first + box_xml("2", 0, 4, 0, 1, 1, 3) + third)),
                        outside("2") << count_differs};
    QTest::newRow("identical last box")
        << failing_case{in_document(container_10_8_6 + boxs(2, first + box_xml("again", 0, 0, 0,
                                                                                4, 8, 3))),
                        collision("again")};
    QTest::newRow("negative coordinate")
        << failing_case{in_document(container_10_8_6 + boxs(1, box_xml("n", 0, 0, -1, 1, 2, 1))),
                        outside("n")};
    QTest::newRow("px near 2^31")
        << failing_case{in_document(container_10_8_6
                                    + boxs(1, box_xml("far", 2147483647, 0, 0, 1, 1, 1))),
                        outside("far")};
    QTest::newRow("box before container")
        << failing_case{in_document(boxs(1, first) + container_10_8_6), {no_container}};
    QTest::newRow("box before container, more declared")
        << failing_case{in_document(boxs(2, first + second) + container_10_8_6),
                        {no_container, count_differs}};
    QTest::newRow("container after a box")
        << failing_case{in_document(container_10_8_6 + "<boxs number=\"2\">" + first
                                    + container_10_8_6 + second + "</boxs>"),
                        {no_container, count_differs}};
    QTest::newRow("no container")
        << failing_case{"<qarvel name=\"x\"><param/><boxs/></qarvel>", {no_container}};
    QTest::newRow("empty file") << failing_case{QByteArray(), {no_container}};
}

void tst_reader::failing_file_changes_nothing()
{
    QFETCH(failing_case, row);
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    QVERIFY(window.load_session(write_file("earlier.qrv", two_box_example)));
    const window_state before(window);
    window.output_pane()->clear();
    const QString path = write_file("failing.qrv", row.content);

    QVERIFY(!window.load_session(path));

    QCOMPARE(pane_lines(window), QStringList() << open_line(path) << row.lines << failed_line);
    QVERIFY(window_state(window) == before);
}

void tst_reader::loaded_file_data()
{
    QTest::addColumn<loaded_case>("row");
    QTest::newRow("missing, empty and non-numeric attributes read as 0")
        << loaded_case{in_document(container_10_8_6
                                   + boxs(1, "<box id=\"7\" length=\"2\" width=\"\" "
                                             "height=\"abc\" px=\"x1\" pz=\"1\"/>")),
                       {"boite num:7 - dim: 2,0,0  - pos: 0,0,1"}};
    QTest::newRow("box without id")
        << loaded_case{in_document(container_10_8_6
                                   + boxs(1, "<box length=\"1\" width=\"2\" height=\"3\" "
                                             "px=\"4\" py=\"3\" pz=\"5\"/>")),
                       {"boite num: - dim: 1,2,3  - pos: 4,3,5"}};
    QTest::newRow("values past 32 bits read as 0")
        << loaded_case{in_document(container_10_8_6
                                   + boxs(1, "<box id=\"b\" length=\"99999999999\" width=\"1\" "
                                             "height=\"1\" px=\"4294967296\" py=\"0\" "
                                             "pz=\"0\"/>")),
                       {"boite num:b - dim: 0,1,1  - pos: 0,0,0"}};
    QTest::newRow("extents keep their low 16 bits")
        << loaded_case{in_document("<container length=\"65600\" width=\"-65535\" height=\"2\"/>"
                                   + boxs(1, box_xml("w", 0, 0, 0, 65600, 65537, 2))),
                       {"boite num:w - dim: 64,1,2  - pos: 0,0,0"}};
    QTest::newRow("largest container, boxes in far corners")
        << loaded_case{in_document("<container length=\"65535\" width=\"65535\" height=\"65535\"/>"
                                   + boxs(2, box_xml("far", 65534, 65534, 65534, 1, 1, 1)
                                                 + box_xml("floor", 0, 0, 0, 65535, 65535, 1))),
                       {"boite num:far - dim: 1,1,1  - pos: 65534,65534,65534",
                        "boite num:floor - dim: 65535,65535,1  - pos: 0,0,0"}};
    QTest::newRow("container without boxes and without number")
        << loaded_case{in_document(container_10_8_6 + "<param/><boxs/>"), {}};
    QTest::newRow("second container before any box replaces the first")
        << loaded_case{in_document("<container length=\"2\" width=\"2\" height=\"2\"/>"
                                   + container_10_8_6 + boxs(1, box_xml("1", 0, 0, 0, 10, 8, 6))),
                       {"boite num:1 - dim: 10,8,6  - pos: 0,0,0"}};
    QTest::newRow("extra attributes, text and comments are ignored")
        << loaded_case{in_document("<!-- run 4 -->" + container_10_8_6
                                   + "<param><boxs number=\"0\"/></param>seed 12"
                                     "<boxs number=\"1\" unit=\"cm\">"
                                     "<box id=\"x\" length=\"1\" width=\"1\" height=\"1\" "
                                     "px=\"9\" py=\"5\" pz=\"7\" weight=\"3\">label</box>"
                                     "</boxs>"),
                       {"boite num:x - dim: 1,1,1  - pos: 9,5,7"}};
    QTest::newRow("elements named by their local name")
        << loaded_case{"<q:qarvel xmlns:q=\"urn:packing\"><q:container length=\"3\" width=\"3\" "
                       "height=\"3\"/><q:boxs number=\"1\"><q:box id=\"n\" length=\"3\" "
                       "width=\"3\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\"/></q:boxs>"
                       "</q:qarvel>",
                       {"boite num:n - dim: 3,3,3  - pos: 0,0,0"}};
    // The XML reader stops at the first element after the document element; what came
    // before it is complete, so the session loads.
    QTest::newRow("content after the document element is not read")
        << loaded_case{in_document(container_10_8_6 + boxs(1, box_xml("1", 0, 0, 0, 1, 1, 1)))
                           + "<box id=\"late\" length=\"99\"/>",
                       {"boite num:1 - dim: 1,1,1  - pos: 0,0,0"}};
}

void tst_reader::loaded_file()
{
    QFETCH(loaded_case, row);
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    const QString path = write_file("loaded.qrv", row.content);

    QVERIFY(window.load_session(path));

    QCOMPARE(pane_lines(window),
             QStringList() << open_line(path) << row.box_lines << loaded_line);
    QCOMPARE(window.registered_sessions().size(), std::size_t(1));
    QCOMPARE(window.registered_sessions().front()->boxes.size(),
             std::size_t(row.box_lines.size()));
}

void tst_reader::already_open_path_is_refused()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    const QString path = write_file("twice.qrv", two_box_example);
    QVERIFY(window.load_session(path));
    const window_state before(window);
    window.output_pane()->clear();

    QVERIFY(!window.load_session(path));

    QCOMPARE(pane_lines(window),
             QStringList() << open_line(path)
                           << "Erreur: le fichier '" + path + "' est deja ouvert.");
    QVERIFY(window_state(window) == before);
}

void tst_reader::same_file_under_another_path_loads_again()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    const QString path = write_file("again.qrv", two_box_example);
    const QString other_text = dir.path() + "/./again.qrv";
    QVERIFY(window.load_session(path));
    window.output_pane()->clear();

    QVERIFY(window.load_session(other_text));

    QCOMPARE(pane_lines(window),
             QStringList() << open_line(other_text) << two_box_lines << loaded_line);
    QCOMPARE(window.registered_sessions().size(), std::size_t(2));
}

void tst_reader::paths_that_cannot_be_read_data()
{
    QTest::addColumn<QString>("name");  // in the test's directory, or absolute
    QTest::addColumn<QString>("reason");

    const QString not_regular = QStringLiteral("file to open is not a regular file");
    QTest::newRow("missing file") << "missing.qrv" << "No such file or directory";
    QTest::newRow("FIFO") << "fifo.qrv" << not_regular;
    QTest::newRow("directory") << "directory.qrv" << "file to open is a directory";
    QTest::newRow("character device") << "/dev/null" << not_regular;
}

// Refused before anything is opened, so that a FIFO cannot block the window.
void tst_reader::paths_that_cannot_be_read()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    QVERIFY(window.load_session(write_file("earlier.qrv", two_box_example)));
    const window_state before(window);
    window.output_pane()->clear();
    QVERIFY(mkfifo(QFile::encodeName(dir.filePath("fifo.qrv")).constData(), 0600) == 0
            || errno == EEXIST);
    QVERIFY(QDir(dir.path()).mkpath("directory.qrv"));
    const QString path = QDir(dir.path()).filePath(name);

    captured_errors errors;
    QVERIFY(!window.load_session(path));

    QCOMPARE(QString::fromStdString(errors.text.str()),
             "Error: ouvrir le fichier " + path + ": " + reason + "\n");
    QCOMPARE(pane_lines(window), QStringList() << open_line(path));
    QVERIFY(window_state(window) == before);
}

void tst_reader::ids_are_never_templates_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("box_line");
    QTest::addColumn<QString>("pane_title");

    QTest::newRow("%1") << "%1" << "boite num:%1 - dim: 1,2,3  - pos: 4,5,6" << "Boite id = %1";
    QTest::newRow("a%1b") << "a%1b" << "boite num:a%1b - dim: 1,2,3  - pos: 4,5,6"
                          << "Boite id = a%1b";
    QTest::newRow("%9%2") << "%9%2" << "boite num:%9%2 - dim: 1,2,3  - pos: 4,5,6"
                          << "Boite id = %9%2";
    QTest::newRow("%L1") << "%L1" << "boite num:%L1 - dim: 1,2,3  - pos: 4,5,6"
                         << "Boite id = %L1";
    QTest::newRow("%1%2%3%4%5%6%7") << "%1%2%3%4%5%6%7"
                                    << "boite num:%1%2%3%4%5%6%7 - dim: 1,2,3  - pos: 4,5,6"
                                    << "Boite id = %1%2%3%4%5%6%7";
}

// The box line, both check messages and the information pane show the id as it stands.
void tst_reader::ids_are_never_templates()
{
    QFETCH(QString, id);
    QFETCH(QString, box_line);
    QFETCH(QString, pane_title);
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());

    const QString outside_file = write_file("outside.qrv", session_of(box_1_2_3_at(id, 10), 1));
    QVERIFY(!window.load_session(outside_file));
    const QString collision_file =
        write_file("collision.qrv", session_of(box_1_2_3_at("first") + box_1_2_3_at(id), 2));
    QVERIFY(!window.load_session(collision_file));
    const QString loaded_file = write_file("loaded.qrv", session_of(box_1_2_3_at(id), 1));
    QVERIFY(window.load_session(loaded_file));

    QCOMPARE(pane_lines(window), QStringList()
                                     << open_line(outside_file) << outside(id) << failed_line
                                     << open_line(collision_file) << collision(id)
                                     << failed_line << open_line(loaded_file) << box_line
                                     << loaded_line);

    QMetaObject::invokeMethod(views_of(window)[0], "box_selected", Q_ARG(int, 1));
    QCOMPARE(info_pane_lines(window), (QStringList{pane_title, "Dimention :", "1, 2, 3",
                                                   "Position :", "4, 5, 6", "Couleur :", "",
                                                   "Appui :", "0/2 (0.00 %), centre non soutenu",
                                                   ""}));
}

void tst_reader::carriage_returns_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("ids");

    QByteArray crlf = two_box_example;
    QTest::newRow("CR LF line ends") << crlf.replace("\n", "\r\n") << QStringList{"1", "2"};
    QTest::newRow("lone CR inside an id")
        << session_of(box_1_2_3_at("a\rb"), 1) << QStringList{"a b"};
    QTest::newRow("CR LF inside an id")
        << session_of(box_1_2_3_at("a\r\nb"), 1) << QStringList{"a b"};
    // The copy makes it "a", CR, LF, "b", which XML reads as one line end.
    QTest::newRow("CR before a CR LF inside an id")
        << session_of(box_1_2_3_at("a\r\r\nb"), 1) << QStringList{"a b"};
    QTest::newRow("lone CRs on the first line")
        << "<qarvel>\r<container length=\"10\" width=\"10\" height=\"10\"/><boxs number=\"1\">"
               + box_1_2_3_at("x\r") + "</boxs></qarvel>"
        << QStringList{"x "};
    // Long ids of CR CR LF, each starting one byte further: whatever the size of the blocks
    // the file is read in, some block ends between a CR and the LF after it.
    QByteArray long_ids;
    QStringList long_ids_read;
    for (const QString prefix : {"", "b", "bb", "bbb"}) {
        long_ids += box_1_2_3_at(prefix + QString("a\r\r\n").repeated(6000), long_ids_read.size());
        long_ids_read << prefix + QString("a ").repeated(6000);
    }
    QTest::newRow("CR CR LF across block ends") << session_of(long_ids, 4) << long_ids_read;
    QTest::newRow("CR in text content")
        << session_of("<box id=\"t\" length=\"1\">\rlabel\r\r</box>", 1)
        << QStringList{"t"};

    // U+0D05 holds the byte 0x0D in both byte orders.
    const QString utf16_session = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<qarvel>\r\n"
                                  "<container length=\"9\" width=\"9\" height=\"9\"/>\r\n"
                                  "<boxs number=\"2\"><box id=\"\u0d05\r\u0d05\" px=\"1\"/>\r\n"
                                  "<box id=\"\u0d0d\" length=\"1\"/></boxs></qarvel>\r\n";
    const QStringList utf16_ids = {QStringLiteral("\u0d05 \u0d05"), QStringLiteral("\u0d0d")};
    QTest::newRow("UTF-16LE") << utf16(utf16_session, false) << utf16_ids;
    QTest::newRow("UTF-16BE") << utf16(utf16_session, true) << utf16_ids;
    // Bytes 0D 0A 0D 0A: the copy makes them 0A 0A, one character U+0A0A.
    QTest::newRow("UTF-16BE, characters that hold a CR LF")
        << utf16(QString(utf16_session).replace("\u0d0d", "\u0d0a\u0d0a"), true)
        << QStringList{QStringLiteral("\u0d05 \u0d05"), QStringLiteral("\u0a0a")};
}

void tst_reader::carriage_returns()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, ids);
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());

    QVERIFY(window.load_session(write_file("cr.qrv", content)));

    QStringList read_ids;
    for (const auto& b : window.registered_sessions().front()->boxes)
        read_ids << b->id;
    QCOMPARE(read_ids, ids);
}

void tst_reader::crlf_file_reads_as_its_lf_twin_data()
{
    QTest::addColumn<int>("collision_at");  // the box put on the one before it, or -1
    QTest::addColumn<int>("invalid_at");    // the box with a byte 0xFF in its id
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("collision, then a byte invalid in UTF-8")
        << 1125 << 1200 << collision("b1125") + QStringList{count_differs, failed_line};
    QTest::newRow("invalid byte only") << -1 << 700
                                       << QStringList{unclosed, count_differs, failed_line};
}

// The XML reader stops at the block that holds the invalid byte; CR LF line ends must not
// change where the blocks fall, nor so what was read before it.
void tst_reader::crlf_file_reads_as_its_lf_twin()
{
    QFETCH(int, collision_at);
    QFETCH(int, invalid_at);
    QFETCH(QStringList, lines);
    const int count = 1500;
    QByteArray lf = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<qarvel name=\"t\">\n"
                    "<container length=\"1500\" width=\"1\" height=\"1\"/>\n<boxs number=\""
                    + QByteArray::number(count) + "\">\n";
    for (int i = 0; i < count; ++i)
        lf += "<box id=\"b" + QByteArray::number(i) + (i == invalid_at ? "\xff" : "")
              + "\" length=\"1\" width=\"1\" height=\"1\" px=\""
              + QByteArray::number(i == collision_at ? i - 1 : i) + "\" py=\"0\" pz=\"0\"/>\n";
    lf += "</boxs>\n</qarvel>\n";
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");

    for (const QByteArray& content : {lf, crlf}) {
        MainWindow window;
        debug_stream redirect(std::cout, window.output_pane());
        const QString path = write_file("twin.qrv", content);
        QVERIFY(!window.load_session(path));
        QCOMPARE(pane_lines(window), QStringList{open_line(path)} + lines);
    }
}

void tst_reader::reader_sees_the_text_mode_copy_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("boxes");

    // In UTF-16 the characters U+0Dxx and U+0Axx could put the bytes 0x0D and 0x0A side by
    // side, which the copy joins and so garbles the file; one such file is a fixed case.
    const QString plain = QStringLiteral("a\r\r\n\t \u00e9");  // CR drawn twice as often
    QTest::newRow("UTF-8") << "UTF-8" << plain + QStringLiteral("\u0d05\u0d0a\u0a0d") << 2000;
    QTest::newRow("UTF-16LE") << "UTF-16LE" << plain << 1000;
    QTest::newRow("UTF-16BE") << "UTF-16BE" << plain << 1000;
}

// Random files against the XML reader run on their line-by-line copy.
void tst_reader::reader_sees_the_text_mode_copy()
{
    QFETCH(QString, encoding);
    QFETCH(QString, alphabet);
    QFETCH(int, boxes);
    QRandomGenerator random(uint(qHash(QByteArray(QTest::currentDataTag()))));

    for (int file = 0; file < 3; ++file) {
        const QByteArray content = encoded(random_session(random, alphabet, boxes), encoding);
        QStringList ids_in_copy;
        QVERIFY(box_ids_in(text_mode_copy(content), ids_in_copy));
        MainWindow window;
        debug_stream redirect(std::cout, window.output_pane());

        QVERIFY(window.load_session(write_file("random.qrv", content)));

        QStringList read_ids;
        for (const auto& b : window.registered_sessions().front()->boxes)
            read_ids << b->id;
        QCOMPARE(read_ids, ids_in_copy);
    }
}

void tst_reader::sessions_are_numbered_by_successful_loads()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    QVERIFY(window.load_session(write_file("a.qrv", two_box_example)));
    QVERIFY(!window.load_session(write_file("bad.qrv", QByteArray())));
    QVERIFY(window.load_session(write_file("b.qrv", two_box_example)));

    const auto& sessions = window.registered_sessions();
    QCOMPARE(sessions.size(), std::size_t(2));
    QCOMPARE(sessions[0]->session_number, 0);
    QCOMPARE(sessions[1]->session_number, 1);
    for (const gl_widget* view : views_of(window))
        QCOMPARE(view->current_session(), sessions[1].get());
}

void tst_reader::tree_lists_sessions_and_boxes()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    const QByteArray unnamed = QByteArray(two_box_example).replace(" name=\"demo\"", "");
    QVERIFY(window.load_session(write_file("u1.qrv", unnamed)));
    QVERIFY(window.load_session(write_file("named.qrv", two_box_example)));
    QVERIFY(window.load_session(write_file("u2.qrv", unnamed)));
    QVERIFY(window.load_session(write_file("empty.qrv", in_document(container_10_8_6))));

    const liste_boite* tree = tree_of(window);
    const QAbstractItemModel* model = tree->model();
    QCOMPARE(model->rowCount(), 1);
    const QModelIndex root = model->index(0, 0);
    QCOMPARE(model->rowCount(root), 4);
    const QStringList session_texts = {"Session_1", "demo", "Session_2", "t"};
    for (int row = 0; row < 4; ++row) {
        const QModelIndex node = model->index(row, 0, root);
        QCOMPARE(node.data().toString(), session_texts[row]);
        QCOMPARE(node.data(Qt::AccessibleTextRole).toString(), QStringLiteral("fichier"));
        QVERIFY(tree->isExpanded(node));
        QCOMPARE(window.registered_sessions()[std::size_t(row)]->tree_item->index(), node);
    }

    const QModelIndex named = model->index(1, 0, root);
    QCOMPARE(model->rowCount(named), 2);
    for (int row = 0; row < 2; ++row) {
        const QModelIndex box_node = model->index(row, 0, named);
        const QString id = QString::number(row + 1);
        QCOMPARE(box_node.data().toString(), "box" + id);
        QCOMPARE(box_node.data(Qt::ToolTipRole).toString(), "id : box" + id);
        QCOMPARE(box_node.data(Qt::AccessibleTextRole).toString(), id);
        QVERIFY(!(model->flags(box_node) & Qt::ItemIsEditable));
    }
    QCOMPARE(model->rowCount(model->index(3, 0, root)), 0);
}

void tst_reader::tree_clicks_describe_and_show_sessions()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    const QString first_path = write_file("first.qrv", two_box_example);
    QVERIFY(window.load_session(first_path));

    // Right after a load, the last box is the selected and current node.
    liste_boite* tree = tree_of(window);
    const QAbstractItemModel* model = tree->model();
    const QModelIndex root = model->index(0, 0);
    const QModelIndex first_session = model->index(0, 0, root);
    const QModelIndex last_box = model->index(1, 0, first_session);
    QCOMPARE(tree->currentIndex(), last_box);
    QCOMPARE(tree->selectionModel()->selectedIndexes(), QModelIndexList{last_box});

    QVERIFY(window.load_session(write_file("second.qrv", two_box_example)));
    const auto& sessions = window.registered_sessions();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy describe(tree, &liste_boite::affiche_info_boite);
    QSignalSpy show_session(tree, qOverload<QStandardItem*>(&liste_boite::item_selected));
    QWidget* viewport = tree->viewport();
    const auto centre_of = [&](const QModelIndex& index) {
        tree->scrollTo(index);
        return tree->visualRect(index).center();
    };

    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre_of(root));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre_of(first_session));
    QCOMPARE(describe.count(), 0);
    QCOMPARE(show_session.count(), 0);

    const QModelIndex first_box = model->index(0, 0, first_session);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre_of(first_box));
    QCOMPARE(describe.count(), 1);
    QCOMPARE(describe.at(0).at(0).value<QStandardItem*>(), sessions[0]->tree_item);
    QCOMPARE(describe.at(0).at(1).toString(), QStringLiteral("1"));
    QCOMPARE(show_session.count(), 0);
    for (const gl_widget* view : views_of(window))
        QCOMPARE(view->current_session(), sessions[1].get());

    // A double click is a press and release, then the double click and its release.
    const QPoint on_box = centre_of(first_box);
    QTest::mousePress(viewport, Qt::LeftButton, {}, on_box);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, on_box);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, on_box);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, on_box);
    QCOMPARE(show_session.count(), 1);
    QCOMPARE(show_session.at(0).at(0).value<QStandardItem*>(), sessions[0]->tree_item);
    QCOMPARE(describe.count(), 2);
    for (const gl_widget* view : views_of(window))
        QCOMPARE(view->current_session(), sessions[0].get());

    const QPoint on_root = centre_of(root);
    QTest::mousePress(viewport, Qt::LeftButton, {}, on_root);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, on_root);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, on_root);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, on_root);
    QCOMPARE(show_session.count(), 1);
    QCOMPARE(describe.count(), 2);
}

void tst_reader::example_files_load_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("boxes");
    QTest::newRow("demo") << QFINDTESTDATA("../examples/demo.qrv") << 2;
    QTest::newRow("warehouse") << QFINDTESTDATA("../examples/warehouse.qrv") << -1;
}

void tst_reader::example_files_load()
{
    QFETCH(QString, path);
    QFETCH(int, boxes);
    QVERIFY2(!path.isEmpty(), "example file not found");
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());

    QVERIFY(window.load_session(path));

    const QStringList lines = pane_lines(window);
    QCOMPARE(lines.last(), loaded_line);
    const session& s = *window.registered_sessions().front();
    QCOMPARE(lines.size(), int(s.boxes.size()) + 2);
    if (boxes >= 0)
        QCOMPARE(int(s.boxes.size()), boxes);
    else
        QVERIFY(s.boxes.size() >= 1000);
}

QTEST_MAIN(tst_reader)
#include "tst_reader.moc"
