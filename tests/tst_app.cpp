#include "app/debug_stream.h"
#include "app/mainwindow.h"
#include "browser/liste_boite.h"
#include "browser/safe_text_document.h"
#include "model/session.h"
#include "tests/screen_copy.h"
#include "view3d/gl_widget.h"

#include "ui_mainwindow.h"

#include <QtTest>

#include <QAbstractTextDocumentLayout>
#include <QDockWidget>
#include <QFileDialog>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QTableView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolBar>

#include <sys/stat.h>

#include <iostream>
#include <sstream>

namespace {

QStringList paragraphs(const QTextEdit& pane)
{
    QStringList texts;
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next())
        texts << block.text();
    return texts;
}

// The panes start with one line of their own, so that each case sees only what it adds.
const QString seed = QStringLiteral("seed");

const QStringList banner = {
    QString(),
    QString(56, '='),
    QStringLiteral("Autheur  : packview"),
    QStringLiteral("Mail : packview@example.org"),
    QStringLiteral("Page web : https://example.org/packview"),
    QString(56, '='),
    QString(),
};

// The form built on a bare window, without anything the main window adds afterwards.
struct bare_form {
    QMainWindow window;
    Ui::MainWindow ui;
    bare_form() { ui.setupUi(&window); }

    template <typename T = QObject>
    T* find(const QString& name) const
    {
        return window.findChild<T*>(name);
    }
};

QString text_of(const QObject* object)
{
    if (const auto* label = qobject_cast<const QLabel*>(object))
        return label->text();
    if (const auto* menu = qobject_cast<const QMenu*>(object))
        return menu->title();
    if (const auto* action = qobject_cast<const QAction*>(object))
        return action->text();
    return QString();
}

QString layout_item_name(QLayoutItem* item)
{
    if (item->spacerItem())
        return QStringLiteral("spacer");
    if (item->layout())
        return item->layout()->objectName();
    return item->widget()->objectName();
}

QList<gl_widget*> top_level_views()
{
    QList<gl_widget*> views;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* view = qobject_cast<gl_widget*>(widget))
            views << view;
    return views;
}

// The paragraphs that appending one line adds to a pane that already holds text; the pane
// itself decides what a carriage return inside the line looks like.
QStringList as_appended(const QString& line)
{
    QTextEdit pane;
    pane.setPlainText(seed);
    pane.append(line);
    return paragraphs(pane).mid(1);
}

void show_and_wait(QWidget& window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

// One "box" element: id, then length, width, height, px, py, pz.
struct file_box {
    QString id;
    int extents_and_place[6];
};

bool write_session(const QString& path, const QList<file_box>& boxes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString xml = QStringLiteral("<qarvel name=\"s\"><container length=\"20\" width=\"10\" "
                                 "height=\"20\"/><boxs number=\"%1\">").arg(boxes.size());
    for (const file_box& b : boxes) {
        const int* v = b.extents_and_place;
        xml += QStringLiteral("<box id=\"%1\" length=\"%2\" width=\"%3\" height=\"%4\" "
                              "px=\"%5\" py=\"%6\" pz=\"%7\" color=\"1\"/>")
                   .arg(b.id.toHtmlEscaped()).arg(v[0]).arg(v[1]).arg(v[2])
                   .arg(v[3]).arg(v[4]).arg(v[5]);
    }
    return file.write((xml + "</boxs></qarvel>").toUtf8()) > 0;
}

// Counts the paint events of the watched widgets.
struct paint_counter : QObject {
    QHash<QObject*, int> counts;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++counts[watched];
        return false;
    }
};

const char* const view_names[] = {"widget_opengl", "widget_gl_axe_x", "widget_gl_axe_y",
                                  "widget_gl_axe_z"};

bool holds_red(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixel(x, y) == qRgb(255, 0, 0))
                return true;
    return false;
}

// ---- the checker beside the window

QByteArray run_checker(const QString& path, QStringList options)
{
    QProcess process;
    process.start(QStringLiteral(PACKVIEW_CHECK_PATH), options << path);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

// The lines packview-check writes, as the pane shows them: one paragraph a line.
QStringList checker_lines(const QString& path, const QStringList& options)
{
    QString out = QString::fromLatin1(run_checker(path, options));
    out.chop(1);  // the last line's end
    return out.split('\n');
}

QJsonObject checker_json(const QString& path, const QStringList& options)
{
    return QJsonDocument::fromJson(run_checker(path, QStringList{"--all", "--json"} + options))
        .array().first().toObject();
}

// Box b overlaps a, c sticks out on z, d overlaps a and b; the file then ends inside "boxs".
const QByteArray planted_faults =
    "<qarvel name=\"s\"><container length=\"10\" width=\"8\" height=\"6\"/>"
    "<boxs number=\"6\">\n"
    "<box id=\"a\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"b\" length=\"4\" width=\"8\" height=\"3\" px=\"2\" py=\"1\" pz=\"0\"/>\n"
    "<box id=\"c\" length=\"4\" width=\"9\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"d\" length=\"4\" width=\"4\" height=\"3\" px=\"1\" py=\"0\" pz=\"1\"/>\n"
    "<box id=\"e\" length=\"2\" width=\"2\" height=\"2\" px=\"8\" py=\"4\" pz=\"0\"/>\n";

// Boxes at random places, some out of the container, many overlapping.
QByteArray random_load(int count)
{
    QRandomGenerator random(5);
    QByteArray xml = "<qarvel name=\"s\"><container length=\"12\" width=\"12\" height=\"12\"/>"
                     "<boxs number=\"" + QByteArray::number(count) + "\">";
    for (int i = 0; i < count; ++i) {
        xml += "<box id=\"r" + QByteArray::number(i) + "\"";
        for (const char* extent : {"length", "width", "height"})
            xml += QByteArray(" ") + extent + "=\"" + QByteArray::number(random.bounded(1, 5)) + "\"";
        for (const char* place : {"px", "py", "pz"})
            xml += QByteArray(" ") + place + "=\"" + QByteArray::number(random.bounded(-1, 11)) + "\"";
        xml += "/>";
    }
    return xml + "</boxs></qarvel>";
}

QString inspection_line(int faults)
{
    return QStringLiteral("Session ouverte pour inspection : %1 defaut%2")
        .arg(faults).arg(faults == 1 ? "" : "s");
}

void click_row(QAbstractItemView& view, const QModelIndex& index)
{
    view.scrollTo(index);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      view.visualRect(index).center());
}

}  // namespace

class tst_app : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void debug_stream_lines_data();
    void debug_stream_lines();
    void debug_stream_end_data();
    void debug_stream_end();
    void debug_stream_gives_cout_back();
    void debug_stream_on_an_empty_pane_data();
    void debug_stream_on_an_empty_pane();
    void debug_stream_shows_the_end_of_a_long_burst();
    void debug_stream_block_writes_as_char_by_char_data();
    void debug_stream_block_writes_as_char_by_char();

    void form_objects_data();
    void form_objects();
    void form_frames_data();
    void form_frames();
    void form_layouts_data();
    void form_layouts();
    void form_title_spacers();
    void form_splitters_data();
    void form_splitters();
    void form_style_sheets_data();
    void form_style_sheets();
    void form_size_limits_data();
    void form_size_limits();
    void form_stacked_views_data();
    void form_stacked_views();
    void form_panes_and_dock();
    void form_menus();
    void form_window_bars();
    void form_window_name_data();
    void form_window_name();
    void form_retranslate_restores_texts();

    void window_view_modes_data();
    void window_view_modes();
    void window_splitter_proportions_data();
    void window_splitter_proportions();
    void window_main_view_frame_has_no_minimum();
    void window_language_change_restores_texts();
    void window_about_command();
    void window_about_command_on_a_fresh_pane();
    void window_keys_data();
    void window_keys();
    void window_inert_menu_entries_data();
    void window_inert_menu_entries();
    void window_commands_ask_for_a_session_data();
    void window_commands_ask_for_a_session();

    void window_panes_read_no_file_an_id_names_data();
    void window_panes_read_no_file_an_id_names();
    void window_start_up_load_adds_no_frame();
    void window_repaints_once_after_a_fall();
    void window_shows_a_long_id_whole();

    void inspection_matches_the_checker_data();
    void inspection_matches_the_checker();
    void inspected_box_lists_its_faults_and_does_not_move();
};

void tst_app::initTestCase()
{
    // The open dialog must be a widget the test can find and cancel.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

// ---- output redirection ------------------------------------------------------------------

void tst_app::debug_stream_lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("by_char");
    QTest::addColumn<bool>("with_endl");
    QTest::addColumn<QStringList>("shown");

    const QString e_acute(QChar(0xE9));
    for (const bool by_char : {false, true}) {
        const char* how = by_char ? "char by char" : "one block";
        auto row = [&](const char* name) {
            return &QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(name, how)));
        };
        *row("word newline word") << QByteArray("word\nword2") << by_char << false
                                  << QStringList{"word"};
        *row("word flushed, no newline") << QByteArray("word") << by_char << false
                                         << QStringList{};
        *row("lone newline") << QByteArray("\n") << by_char << false << QStringList{""};
        *row("lone endl") << QByteArray() << by_char << true << QStringList{""};
        *row("word and endl") << QByteArray("word") << by_char << true << QStringList{"word"};
        *row("blank line between words") << QByteArray("a\n\nb\n") << by_char << false
                                         << QStringList{"a", "", "b"};
        *row("byte 0xE9") << QByteArray("caf\xE9\n") << by_char << false
                          << QStringList{"caf" + e_acute};
        *row("NUL cuts the line") << QByteArray("ab\0cd\nef\n", 9) << by_char << false
                                  << QStringList{"ab", "ef"};
        *row("carriage return ends no line") << QByteArray("a\rb") << by_char << false
                                             << QStringList{};
        *row("carriage return kept in the line") << QByteArray("a\rb\n") << by_char << false
                                                 << as_appended("a\rb");
        *row("two lines then half") << QByteArray("one\ntwo\nthr") << by_char << true
                                    << QStringList{"one", "two", "thr"};
    }
}

void tst_app::debug_stream_lines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, by_char);
    QFETCH(bool, with_endl);
    QFETCH(QStringList, shown);

    QTextEdit pane;
    pane.setPlainText(seed);
    std::ostringstream original;
    std::ostream out(original.rdbuf());
    debug_stream redirect(out, &pane);

    if (by_char) {
        for (const char c : bytes)
            out.put(c);
    } else {
        out.write(bytes.constData(), bytes.size());
    }
    if (with_endl)
        out << std::endl;
    else
        out << std::flush;

    QVERIFY(out.good());
    QCOMPARE(paragraphs(pane), QStringList{seed} + shown);
    QVERIFY(original.str().empty());
}

void tst_app::debug_stream_end_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("before_end");
    QTest::addColumn<QStringList>("after_end");

    QTest::newRow("pending half line") << QByteArray("done\nhalf") << QStringList{"done"}
                                       << QStringList{"done", "half"};
    QTest::newRow("pending carriage return")
        << QByteArray("a\rb") << QStringList{} << as_appended("a\rb");
    QTest::newRow("nothing pending") << QByteArray("done\n") << QStringList{"done"}
                                     << QStringList{"done"};
    QTest::newRow("nothing written") << QByteArray() << QStringList{} << QStringList{};
}

void tst_app::debug_stream_end()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, before_end);
    QFETCH(QStringList, after_end);

    QTextEdit pane;
    pane.setPlainText(seed);
    std::ostringstream original;
    std::ostream out(original.rdbuf());
    {
        debug_stream redirect(out, &pane);
        out.write(bytes.constData(), bytes.size());
        QCOMPARE(out.rdbuf(), &redirect);
        QCOMPARE(paragraphs(pane), QStringList{seed} + before_end);
    }
    QCOMPARE(out.rdbuf(), original.rdbuf());
    QCOMPARE(paragraphs(pane), QStringList{seed} + after_end);

    out << "after\n";
    QCOMPARE(original.str(), std::string("after\n"));
    QCOMPARE(paragraphs(pane), QStringList{seed} + after_end);
}

void tst_app::debug_stream_gives_cout_back()
{
    QTextEdit pane;
    pane.setPlainText(seed);
    std::streambuf* const process_output = std::cout.rdbuf();
    {
        debug_stream redirect(std::cout, &pane);
        std::cout << "vers le panneau" << std::endl;
        QCOMPARE(std::cout.rdbuf(), &redirect);
    }
    QCOMPARE(std::cout.rdbuf(), process_output);
    QCOMPARE(paragraphs(pane), (QStringList{seed, "vers le panneau"}));
}

// An empty pane cannot show an empty paragraph by itself; the lines written to it must still
// come out one paragraph each, also after the user has cleared it.
void tst_app::debug_stream_on_an_empty_pane_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("clear_after_first_line");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("empty line first") << QByteArray("\nword\n") << false
                                      << QStringList{"", "word"};
    QTest::newRow("two empty lines first") << QByteArray("\n\nword\n") << false
                                           << QStringList{"", "", "word"};
    QTest::newRow("word first") << QByteArray("word\n\n") << false << QStringList{"word", ""};
    QTest::newRow("pane cleared after an empty line") << QByteArray("\nword\n") << true
                                                      << QStringList{"word"};
}

void tst_app::debug_stream_on_an_empty_pane()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, clear_after_first_line);
    QFETCH(QStringList, shown);

    QTextEdit pane;
    std::ostringstream original;
    std::ostream out(original.rdbuf());
    debug_stream redirect(out, &pane);
    const int first_end = bytes.indexOf('\n') + 1;
    out.write(bytes.constData(), first_end);
    if (clear_after_first_line)
        pane.clear();
    out.write(bytes.constData() + first_end, bytes.size() - first_end);
    QCOMPARE(paragraphs(pane), shown);
}

void tst_app::debug_stream_block_writes_as_char_by_char_data()
{
    QTest::addColumn<QString>("seeded");
    QTest::newRow("empty pane") << QString();
    QTest::newRow("plain seed") << seed;
    QTest::newRow("rich seed") << QStringLiteral("<h1>titre</h1>");
}

// Lines written in one block leave the pane as the same lines written a character at a time,
// one paragraph after another: the same text in the same formats.
void tst_app::debug_stream_block_writes_as_char_by_char()
{
    QFETCH(QString, seeded);
    const QList<QByteArray> pool = {"boite num:1 - dim: 1,2,3", "", "<b>gras</b>", "a\rb", "c\r",
                                    QByteArray("x\0y", 3), "caf\xE9", "<p>para</p>", "mot mot"};
    QRandomGenerator random(5);
    QByteArray bytes;
    for (int i = 0; i < 400; ++i)
        bytes += pool[random.bounded(pool.size())] + '\n';

    QTextEdit by_block;
    QTextEdit by_char;
    for (QTextEdit* pane : {&by_block, &by_char}) {
        if (!seeded.isEmpty())
            pane->setHtml(seeded);
        std::ostringstream original;
        std::ostream out(original.rdbuf());
        debug_stream redirect(out, pane);
        if (pane == &by_block) {
            out.write(bytes.constData(), bytes.size());
        } else {
            for (const char c : bytes)
                out.put(c);
        }
    }
    QCOMPARE(paragraphs(by_block), paragraphs(by_char));
    QCOMPARE(by_block.document()->toHtml(), by_char.document()->toHtml());
    QVERIFY(paragraphs(by_block).size() > 400);
}

// A burst that makes the pane need its scroll bar leaves it showing its end, with the height
// of the same text laid out in a pane that had it all at once.
void tst_app::debug_stream_shows_the_end_of_a_long_burst()
{
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines << QStringLiteral("ligne %1 - dim: 11,23,2  - pos: 0,0,0").arg(i);
    QTextEdit plain;
    QTextEdit pane;
    for (QTextEdit* edit : {&plain, &pane}) {
        edit->resize(300, 200);
        edit->show();
        QVERIFY(QTest::qWaitForWindowExposed(edit));
    }
    plain.setPlainText(lines.join('\n'));
    std::ostringstream original;
    std::ostream out(original.rdbuf());
    debug_stream redirect(out, &pane);
    for (const QString& line : lines)
        out << line.toStdString() << '\n';

    // The pane may lay its text out in steps: its height grows until it is the plain one.
    plain.document()->documentLayout()->documentSize();
    QTest::qWait(50);
    const QScrollBar* bar = pane.verticalScrollBar();
    QVERIFY(plain.verticalScrollBar()->maximum() > 0);
    QTRY_COMPARE(bar->maximum(), plain.verticalScrollBar()->maximum());
    QTRY_COMPARE(bar->value(), bar->maximum());
    QCOMPARE(paragraphs(pane), lines);
}

// ---- the form on a bare window ------------------------------------------------------------

void tst_app::form_objects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("class_name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");

    struct object_row {
        const char* name;
        const char* class_name;
        const char* parent;
        QString text;
    };
    const QList<object_row> rows = {
        {"action_ouvrir_un_fichier", "QAction", "MainWindow", "Ouvrir un fichier"},
        {"action_inspecter_un_fichier", "QAction", "MainWindow", "Inspecter un fichier..."},
        {"actionQuitter", "QAction", "MainWindow", "Quitter"},
        {"actionOption", "QAction", "MainWindow", "Option"},
        {"action_vue_d_ensemble", "QAction", "MainWindow", "Vue d'ensemble"},
        {"action_propose", "QAction", "MainWindow", QStringLiteral("À propose de..*")},
        {"centralWidget", "QWidget", "MainWindow", {}},
        {"verticalLayout_8", "QVBoxLayout", "centralWidget", {}},
        {"splitter_horizontal_droit", "QSplitter", "centralWidget", {}},
        {"splitter_horizontal_gauche", "QSplitter", "splitter_horizontal_droit", {}},
        {"frame_gauche", "QFrame", "splitter_horizontal_gauche", {}},
        {"verticalLayout", "QVBoxLayout", "frame_gauche", {}},
        {"horizontalLayout", "QHBoxLayout", "verticalLayout", {}},
        {"label", "QLabel", "frame_gauche", "Liste des fichiers :"},
        {"line_4", "QFrame", "frame_gauche", {}},
        {"line", "QFrame", "frame_gauche", {}},
        {"treeView", "liste_boite", "frame_gauche", {}},
        {"frame", "QFrame", "frame_gauche", {}},
        {"verticalLayout_14", "QVBoxLayout", "frame", {}},
        {"frame_left_down", "QDockWidget", "frame", {}},
        {"dockWidgetContents_6", "QWidget", "frame_left_down", {}},
        {"verticalLayout_12", "QVBoxLayout", "dockWidgetContents_6", {}},
        {"zone_info_boite", "QTextEdit", "dockWidgetContents_6", {}},
        {"splitter_vertical", "QSplitter", "splitter_horizontal_gauche", {}},
        {"frame_droit_haut", "QFrame", "splitter_vertical", {}},
        {"verticalLayout_2", "QVBoxLayout", "frame_droit_haut", {}},
        {"horizontalLayout_2", "QHBoxLayout", "verticalLayout_2", {}},
        {"label_2", "QLabel", "frame_droit_haut", QStringLiteral("Visualisalisation de résultat :")},
        {"line_2", "QFrame", "frame_droit_haut", {}},
        {"line_3", "QFrame", "frame_droit_haut", {}},
        {"stackedWidget", "QStackedWidget", "frame_droit_haut", {}},
        {"page", "QWidget", "stackedWidget", {}},
        {"verticalLayout_7", "QVBoxLayout", "page", {}},
        {"widget_opengl", "gl_widget", "page", {}},
        {"page_2", "QWidget", "stackedWidget", {}},
        {"frame_droit_bas", "QFrame", "splitter_vertical", {}},
        {"verticalLayout_3", "QVBoxLayout", "frame_droit_bas", {}},
        {"horizontalLayout_3", "QHBoxLayout", "verticalLayout_3", {}},
        {"label_3", "QLabel", "frame_droit_bas", "Sortie de l'application :"},
        {"line_5", "QFrame", "frame_droit_bas", {}},
        {"line_6", "QFrame", "frame_droit_bas", {}},
        {"sortie_application", "QTextEdit", "frame_droit_bas", {}},
        {"splitter_vue_2_3", "QSplitter", "splitter_horizontal_droit", {}},
        {"splitter_vue_1_2", "QSplitter", "splitter_vue_2_3", {}},
        {"frame_vue_1", "QFrame", "splitter_vue_1_2", {}},
        {"verticalLayout_9", "QVBoxLayout", "frame_vue_1", {}},
        {"horizontalLayout_4", "QHBoxLayout", "verticalLayout_9", {}},
        {"label_4", "QLabel", "frame_vue_1", "Vue de l'axe X"},
        {"line_7", "QFrame", "frame_vue_1", {}},
        {"line_8", "QFrame", "frame_vue_1", {}},
        {"stackedWidget_2", "QStackedWidget", "frame_vue_1", {}},
        {"page_3", "QWidget", "stackedWidget_2", {}},
        {"verticalLayout_4", "QVBoxLayout", "page_3", {}},
        {"widget_gl_axe_x", "gl_widget", "page_3", {}},
        {"page_4", "QWidget", "stackedWidget_2", {}},
        {"frame_vue_2", "QFrame", "splitter_vue_1_2", {}},
        {"verticalLayout_10", "QVBoxLayout", "frame_vue_2", {}},
        {"horizontalLayout_5", "QHBoxLayout", "verticalLayout_10", {}},
        {"label_5", "QLabel", "frame_vue_2", "Vue de l'axe Y"},
        {"line_9", "QFrame", "frame_vue_2", {}},
        {"line_11", "QFrame", "frame_vue_2", {}},
        {"stackedWidget_3", "QStackedWidget", "frame_vue_2", {}},
        {"page_5", "QWidget", "stackedWidget_3", {}},
        {"verticalLayout_5", "QVBoxLayout", "page_5", {}},
        {"widget_gl_axe_y", "gl_widget", "page_5", {}},
        {"page_6", "QWidget", "stackedWidget_3", {}},
        {"frame_vue_3", "QFrame", "splitter_vue_2_3", {}},
        {"verticalLayout_11", "QVBoxLayout", "frame_vue_3", {}},
        {"horizontalLayout_6", "QHBoxLayout", "verticalLayout_11", {}},
        {"label_6", "QLabel", "frame_vue_3", "Vue de l'axe Z"},
        {"line_10", "QFrame", "frame_vue_3", {}},
        {"line_12", "QFrame", "frame_vue_3", {}},
        {"stackedWidget_4", "QStackedWidget", "frame_vue_3", {}},
        {"page_7", "QWidget", "stackedWidget_4", {}},
        {"verticalLayout_6", "QVBoxLayout", "page_7", {}},
        {"widget_gl_axe_z", "gl_widget", "page_7", {}},
        {"page_8", "QWidget", "stackedWidget_4", {}},
        {"menuBar", "QMenuBar", "MainWindow", {}},
        {"menuFicher", "QMenu", "menuBar", "Ficher"},
        {"menuOption", "QMenu", "menuBar", "Option"},
        {"menuAffichage", "QMenu", "menuBar", "Affichage"},
        {"menuAide", "QMenu", "menuBar", "Aide"},
        {"mainToolBar", "QToolBar", "MainWindow", {}},
        {"statusBar", "QStatusBar", "MainWindow", {}},
    };
    for (const object_row& row : rows)
        QTest::newRow(row.name) << row.name << row.class_name << row.parent << row.text;
}

void tst_app::form_objects()
{
    QFETCH(QString, name);
    QFETCH(QString, class_name);
    QFETCH(QString, parent);
    QFETCH(QString, text);

    const bare_form form;
    const QList<QObject*> found = form.window.findChildren<QObject*>(name);
    QCOMPARE(found.size(), 1);
    const QObject* object = found.first();
    QCOMPARE(QString(object->metaObject()->className()), class_name);
    QVERIFY(object->parent());
    QCOMPARE(object->parent()->objectName(), parent);
    QCOMPARE(text_of(object), text);
}

void tst_app::form_frames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QFrame::Shape>("shape");
    QTest::addColumn<QFrame::Shadow>("shadow");

    for (const char* panel : {"frame_gauche", "frame_droit_haut", "frame_droit_bas", "frame_vue_1",
                              "frame_vue_2", "frame_vue_3"})
        QTest::newRow(panel) << panel << QFrame::Panel << QFrame::Sunken;
    QTest::newRow("frame") << "frame" << QFrame::StyledPanel << QFrame::Raised;
    for (const char* line : {"line_4", "line_2", "line_5", "line_7", "line_9", "line_10"})
        QTest::newRow(line) << line << QFrame::VLine << QFrame::Sunken;
    for (const char* line : {"line", "line_3", "line_6", "line_8", "line_11", "line_12"})
        QTest::newRow(line) << line << QFrame::HLine << QFrame::Sunken;
}

void tst_app::form_frames()
{
    QFETCH(QString, name);
    QFETCH(QFrame::Shape, shape);
    QFETCH(QFrame::Shadow, shadow);

    const bare_form form;
    const auto* frame = form.find<QFrame>(name);
    QVERIFY(frame);
    QCOMPARE(frame->frameShape(), shape);
    QCOMPARE(frame->frameShadow(), shadow);
}

void tst_app::form_layouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<int>("margin");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("verticalLayout_8") << "verticalLayout_8" << 6 << 11
                                      << QStringList{"splitter_horizontal_droit"};
    QTest::newRow("verticalLayout_14") << "verticalLayout_14" << 0 << 0
                                       << QStringList{"frame_left_down"};
    QTest::newRow("verticalLayout_12") << "verticalLayout_12" << 0 << 0
                                       << QStringList{"zone_info_boite"};

    struct panel_row {
        const char* layout;
        const char* title_row;
        const char* label;
        const char* vertical_line;
        const char* horizontal_line;
        QStringList content;
    };
    const QList<panel_row> panels = {
        {"verticalLayout", "horizontalLayout", "label", "line_4", "line", {"treeView", "frame"}},
        {"verticalLayout_2", "horizontalLayout_2", "label_2", "line_2", "line_3", {"stackedWidget"}},
        {"verticalLayout_3", "horizontalLayout_3", "label_3", "line_5", "line_6",
         {"sortie_application"}},
        {"verticalLayout_9", "horizontalLayout_4", "label_4", "line_7", "line_8",
         {"stackedWidget_2"}},
        {"verticalLayout_10", "horizontalLayout_5", "label_5", "line_9", "line_11",
         {"stackedWidget_3"}},
        {"verticalLayout_11", "horizontalLayout_6", "label_6", "line_10", "line_12",
         {"stackedWidget_4"}},
    };
    for (const panel_row& panel : panels) {
        QTest::newRow(panel.layout) << panel.layout << 0 << 0
                                    << QStringList{panel.title_row, panel.horizontal_line} +
                                           panel.content;
        QTest::newRow(panel.title_row) << panel.title_row << 6 << 0
                                       << QStringList{panel.label, panel.vertical_line, "spacer"};
    }

    const QList<QPair<const char*, const char*>> pages = {{"verticalLayout_7", "widget_opengl"},
                                                          {"verticalLayout_4", "widget_gl_axe_x"},
                                                          {"verticalLayout_5", "widget_gl_axe_y"},
                                                          {"verticalLayout_6", "widget_gl_axe_z"}};
    for (const auto& page : pages)
        QTest::newRow(page.first) << page.first << 0 << 0 << QStringList{page.second};
}

void tst_app::form_layouts()
{
    QFETCH(QString, name);
    QFETCH(int, spacing);
    QFETCH(int, margin);
    QFETCH(QStringList, items);

    const bare_form form;
    auto* layout = form.find<QLayout>(name);
    QVERIFY(layout);
    QCOMPARE(layout->spacing(), spacing);
    QCOMPARE(layout->contentsMargins(), QMargins(margin, margin, margin, margin));
    QStringList found;
    for (int i = 0; i < layout->count(); ++i)
        found << layout_item_name(layout->itemAt(i));
    QCOMPARE(found, items);
}

void tst_app::form_title_spacers()
{
    const bare_form form;
    for (const char* row : {"horizontalLayout", "horizontalLayout_2", "horizontalLayout_3",
                            "horizontalLayout_4", "horizontalLayout_5", "horizontalLayout_6"}) {
        auto* layout = form.find<QLayout>(row);
        QVERIFY2(layout && layout->count() == 3, row);
        const QSpacerItem* spacer = layout->itemAt(2)->spacerItem();
        QVERIFY2(spacer, row);
        QCOMPARE(spacer->sizeHint(), QSize(40, 20));
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }
}

void tst_app::form_splitters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<QStringList>("children");

    QTest::newRow("splitter_horizontal_droit")
        << "splitter_horizontal_droit" << Qt::Horizontal
        << QStringList{"splitter_horizontal_gauche", "splitter_vue_2_3"};
    QTest::newRow("splitter_horizontal_gauche") << "splitter_horizontal_gauche" << Qt::Horizontal
                                                << QStringList{"frame_gauche", "splitter_vertical"};
    QTest::newRow("splitter_vertical") << "splitter_vertical" << Qt::Vertical
                                       << QStringList{"frame_droit_haut", "frame_droit_bas"};
    QTest::newRow("splitter_vue_2_3") << "splitter_vue_2_3" << Qt::Vertical
                                      << QStringList{"splitter_vue_1_2", "frame_vue_3"};
    QTest::newRow("splitter_vue_1_2") << "splitter_vue_1_2" << Qt::Vertical
                                      << QStringList{"frame_vue_1", "frame_vue_2"};
}

void tst_app::form_splitters()
{
    QFETCH(QString, name);
    QFETCH(Qt::Orientation, orientation);
    QFETCH(QStringList, children);

    const bare_form form;
    const auto* splitter = form.find<QSplitter>(name);
    QVERIFY(splitter);
    QCOMPARE(splitter->orientation(), orientation);
    QStringList found;
    for (int i = 0; i < splitter->count(); ++i)
        found << splitter->widget(i)->objectName();
    QCOMPARE(found, children);
}

void tst_app::form_style_sheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("style_sheet");

    for (const char* label : {"label", "label_2", "label_3", "label_4", "label_5", "label_6"})
        QTest::newRow(label) << label << "margin-left:5px;\ncolor:#003366;";
    QTest::newRow("treeView") << "treeView" << "border:none;";
    QTest::newRow("frame_left_down") << "frame_left_down"
                                     << "background-color: rgb(255, 255, 255);";
    QTest::newRow("zone_info_boite") << "zone_info_boite" << "border:none;\n";
    QTest::newRow("sortie_application") << "sortie_application" << "border:none;";
}

void tst_app::form_style_sheets()
{
    QFETCH(QString, name);
    QFETCH(QString, style_sheet);

    const bare_form form;
    const auto* widget = form.find<QWidget>(name);
    QVERIFY(widget);
    QCOMPARE(widget->styleSheet(), style_sheet);
}

void tst_app::form_size_limits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    const int unlimited = QWIDGETSIZE_MAX;
    QTest::newRow("frame_droit_haut") << "frame_droit_haut" << QSize(400, 400)
                                      << QSize(unlimited, unlimited);
    QTest::newRow("frame") << "frame" << QSize(0, 0) << QSize(unlimited, 140);
    QTest::newRow("frame_left_down") << "frame_left_down" << QSize(0, 0) << QSize(524287, 200);
    QTest::newRow("zone_info_boite") << "zone_info_boite" << QSize(0, 100)
                                     << QSize(unlimited, unlimited);
}

void tst_app::form_size_limits()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);

    const bare_form form;
    const auto* widget = form.find<QWidget>(name);
    QVERIFY(widget);
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
}

void tst_app::form_stacked_views_data()
{
    QTest::addColumn<QString>("stack");
    QTest::addColumn<QString>("first_page");
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("second_page");

    QTest::newRow("main view") << "stackedWidget" << "page" << "widget_opengl" << "page_2";
    QTest::newRow("X view") << "stackedWidget_2" << "page_3" << "widget_gl_axe_x" << "page_4";
    QTest::newRow("Y view") << "stackedWidget_3" << "page_5" << "widget_gl_axe_y" << "page_6";
    QTest::newRow("Z view") << "stackedWidget_4" << "page_7" << "widget_gl_axe_z" << "page_8";
}

void tst_app::form_stacked_views()
{
    QFETCH(QString, stack);
    QFETCH(QString, first_page);
    QFETCH(QString, view);
    QFETCH(QString, second_page);

    const bare_form form;
    const auto* stacked = form.find<QStackedWidget>(stack);
    QVERIFY(stacked);
    QCOMPARE(stacked->count(), 2);
    QCOMPARE(stacked->currentIndex(), 0);
    QCOMPARE(stacked->widget(0)->objectName(), first_page);
    QCOMPARE(stacked->widget(1)->objectName(), second_page);
    QCOMPARE(stacked->widget(0)->findChildren<gl_widget*>(),
             QList<gl_widget*>{form.find<gl_widget>(view)});
    QVERIFY(stacked->widget(1)->findChildren<QWidget*>().isEmpty());
}

void tst_app::form_panes_and_dock()
{
    const bare_form form;
    QCOMPARE(form.ui.zone_info_boite->isEnabled(), true);
    QCOMPARE(form.ui.zone_info_boite->isReadOnly(), true);
    QCOMPARE(form.ui.sortie_application->isReadOnly(), false);
    QCOMPARE(form.ui.widget_opengl->focusPolicy(), Qt::ClickFocus);

    const QDockWidget* dock = form.ui.frame_left_down;
    QCOMPARE(dock->windowTitle(), QString());
    QCOMPARE(dock->features(), QDockWidget().features());
    QCOMPARE(dock->widget(), form.ui.dockWidgetContents_6);
}

void tst_app::form_menus()
{
    const bare_form form;
    const Ui::MainWindow& ui = form.ui;
    QCOMPARE(ui.menuBar->actions(), (QList<QAction*>{ui.menuFicher->menuAction(),
                                                     ui.menuOption->menuAction(),
                                                     ui.menuAffichage->menuAction(),
                                                     ui.menuAide->menuAction()}));

    const QList<QAction*> file_entries = ui.menuFicher->actions();
    QCOMPARE(file_entries.size(), 4);
    QCOMPARE(file_entries.at(0), ui.action_ouvrir_un_fichier);
    QCOMPARE(file_entries.at(1), ui.action_inspecter_un_fichier);
    QVERIFY(file_entries.at(2)->isSeparator());
    QCOMPARE(file_entries.at(3), ui.actionQuitter);
    QCOMPARE(ui.menuOption->actions(), QList<QAction*>{ui.actionOption});
    QCOMPARE(ui.menuAffichage->actions(), QList<QAction*>{ui.action_vue_d_ensemble});
    QCOMPARE(ui.action_vue_d_ensemble->shortcut(), QKeySequence(Qt::Key_Home));
    QCOMPARE(ui.menuAide->actions(), QList<QAction*>{ui.action_propose});

    QCOMPARE(ui.action_ouvrir_un_fichier->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    for (const QAction* action : {ui.action_inspecter_un_fichier, ui.actionQuitter,
                                  ui.actionOption, ui.action_propose})
        QVERIFY(action->shortcut().isEmpty());
}

void tst_app::form_window_bars()
{
    const bare_form form;
    const Ui::MainWindow& ui = form.ui;
    QCOMPARE(form.window.centralWidget(), ui.centralWidget);
    QCOMPARE(form.window.menuBar(), ui.menuBar);
    QCOMPARE(ui.menuBar->geometry(), QRect(0, 0, 843, 20));
    QCOMPARE(form.window.toolBarArea(ui.mainToolBar), Qt::TopToolBarArea);
    QVERIFY(ui.mainToolBar->actions().isEmpty());
    QCOMPARE(form.window.statusBar(), ui.statusBar);
    QCOMPARE(ui.statusBar->currentMessage(), QString());
}

void tst_app::form_window_name_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("name");

    QTest::newRow("no name yet") << QString() << "MainWindow";
    QTest::newRow("name kept") << "fenetre_principale" << "fenetre_principale";
}

void tst_app::form_window_name()
{
    QFETCH(QString, preset);
    QFETCH(QString, name);

    QMainWindow window;
    window.setObjectName(preset);
    Ui::MainWindow ui;
    ui.setupUi(&window);
    QCOMPARE(window.objectName(), name);
    QCOMPARE(window.size(), QSize(843, 609));
    QCOMPARE(window.windowTitle(), QStringLiteral("MainWindow"));
}

void tst_app::form_retranslate_restores_texts()
{
    bare_form form;
    Ui::MainWindow& ui = form.ui;
    ui.label_2->setText("x");
    ui.menuAide->setTitle("x");
    ui.action_ouvrir_un_fichier->setShortcut(QKeySequence());
    form.window.setWindowTitle("x");

    ui.retranslateUi(&form.window);
    QCOMPARE(ui.label_2->text(), QStringLiteral("Visualisalisation de résultat :"));
    QCOMPARE(ui.menuAide->title(), QStringLiteral("Aide"));
    QCOMPARE(ui.action_ouvrir_un_fichier->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(form.window.windowTitle(), QStringLiteral("MainWindow"));
}

// ---- the main window ----------------------------------------------------------------------

void tst_app::window_view_modes_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("mode");

    QTest::newRow("main view") << "widget_opengl" << 0;
    QTest::newRow("X view") << "widget_gl_axe_x" << 1;
    QTest::newRow("Y view") << "widget_gl_axe_y" << 2;
    QTest::newRow("Z view") << "widget_gl_axe_z" << 3;
}

void tst_app::window_view_modes()
{
    QFETCH(QString, view);
    QFETCH(int, mode);

    const MainWindow window;
    const auto* found = window.findChild<gl_widget*>(view);
    QVERIFY(found);
    QCOMPARE(found->view_mode(), mode);
}

void tst_app::window_splitter_proportions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");

    QTest::newRow("tree column and view column") << "splitter_horizontal_gauche" << 200 << 600;
    QTest::newRow("everything else and axis views") << "splitter_horizontal_droit" << 800 << 220;
    QTest::newRow("main view and output pane") << "splitter_vertical" << 600 << 180;
}

// The splitters fit the given sizes to the room they get, so what holds on screen is the ratio.
void tst_app::window_splitter_proportions()
{
    QFETCH(QString, name);
    QFETCH(int, first);
    QFETCH(int, second);

    MainWindow window;
    show_and_wait(window);
    const auto* splitter = window.findChild<QSplitter*>(name);
    QVERIFY(splitter);
    const QList<int> sizes = splitter->sizes();
    QCOMPARE(sizes.size(), 2);
    const int room = sizes.at(0) + sizes.at(1);
    QVERIFY(room > 0);
    const int expected_first = qRound(double(room) * first / (first + second));
    QVERIFY2(qAbs(sizes.at(0) - expected_first) <= 2,
             qPrintable(QStringLiteral("sizes %1, %2").arg(sizes.at(0)).arg(sizes.at(1))));
}

void tst_app::window_main_view_frame_has_no_minimum()
{
    const MainWindow window;
    const auto* frame = window.findChild<QFrame*>("frame_droit_haut");
    QVERIFY(frame);
    QCOMPARE(frame->minimumSize(), QSize(0, 0));
}

void tst_app::window_language_change_restores_texts()
{
    MainWindow window;
    auto* label = window.findChild<QLabel*>("label_3");
    QVERIFY(label);
    label->setText("x");
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&window, &change);
    QCOMPARE(label->text(), QStringLiteral("Sortie de l'application :"));
}

void tst_app::window_about_command()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    std::cout << seed.toStdString() << std::endl;
    auto* about = window.findChild<QAction*>("action_propose");
    QVERIFY(about);
    const QList<gl_widget*> before = top_level_views();

    about->trigger();
    QCOMPARE(paragraphs(*window.output_pane()), QStringList{seed} + banner);
    about->trigger();
    QCOMPARE(paragraphs(*window.output_pane()), QStringList{seed} + banner + banner);

    QList<QPointer<gl_widget>> opened;
    for (gl_widget* view : top_level_views())
        if (!before.contains(view))
            opened << view;
    QCOMPARE(opened.size(), 2);
    for (const QPointer<gl_widget>& view : opened) {
        QVERIFY(view->isVisible());
        QVERIFY(view->parentWidget() == nullptr);
    }

    opened.at(0)->close();
    QTRY_VERIFY(opened.at(0).isNull());
    QVERIFY(!opened.at(1).isNull());
    opened.at(1)->close();
    QTRY_VERIFY(opened.at(1).isNull());
}

void tst_app::window_about_command_on_a_fresh_pane()
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    window.findChild<QAction*>("action_propose")->trigger();
    QCOMPARE(paragraphs(*window.output_pane()), banner);
    for (gl_widget* view : top_level_views())
        view->close();
}

void tst_app::window_keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("still_visible");

    QTest::newRow("Escape closes") << int(Qt::Key_Escape) << false;
    QTest::newRow("a letter does nothing") << int(Qt::Key_A) << true;
    QTest::newRow("F2 does nothing") << int(Qt::Key_F2) << true;
}

void tst_app::window_keys()
{
    QFETCH(int, key);
    QFETCH(bool, still_visible);

    MainWindow window;
    show_and_wait(window);
    QTest::keyClick(&window, Qt::Key(key));
    QCOMPARE(window.isVisible(), still_visible);
}

void tst_app::window_inert_menu_entries_data()
{
    QTest::addColumn<QString>("action");

    QTest::newRow("Quitter") << "actionQuitter";
    QTest::newRow("Option") << "actionOption";
}

void tst_app::window_inert_menu_entries()
{
    QFETCH(QString, action);

    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    std::cout << seed.toStdString() << std::endl;
    show_and_wait(window);
    const QList<gl_widget*> views = top_level_views();

    auto* entry = window.findChild<QAction*>(action);
    QVERIFY(entry);
    entry->trigger();
    QCoreApplication::processEvents();

    QVERIFY(window.isVisible());
    QCOMPARE(paragraphs(*window.output_pane()), QStringList{seed});
    QCOMPARE(top_level_views(), views);
}

void tst_app::window_commands_ask_for_a_session_data()
{
    QTest::addColumn<QString>("command");  // an action to trigger, or none for Ctrl+O
    QTest::newRow("Ctrl+O") << QString();
    QTest::newRow("inspect command") << "action_inspecter_un_fichier";
}

// Both commands ask with the same dialog, and a cancelled dialog changes nothing.
void tst_app::window_commands_ask_for_a_session()
{
    QFETCH(QString, command);
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    std::cout << seed.toStdString() << std::endl;
    show_and_wait(window);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QString caption;
    QStringList filters;
    QTimer cancel;
    connect(&cancel, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            cancel.stop();
            caption = dialog->windowTitle();
            filters = dialog->nameFilters();
            dialog->reject();
        }
    });
    cancel.start(10);
    if (command.isEmpty())
        QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    else
        window.findChild<QAction*>(command)->trigger();

    QCOMPARE(caption, QStringLiteral("Ouvrir une instance"));
    QCOMPARE(filters, (QStringList{"qarvel(*.qrv)", "Tous les fichiers (*)"}));
    QCOMPARE(paragraphs(*window.output_pane()), QStringList{seed});
    QVERIFY(window.isVisible());
}

// ---- hostile ids and repaints -------------------------------------------------------------

void tst_app::window_panes_read_no_file_an_id_names_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::addColumn<bool>("box_fails");

    // A FIFO with no writer blocks whoever opens it: the test hangs if a pane reads it.
    QTest::newRow("FIFO, loaded") << true << false;
    QTest::newRow("FIFO, box failing the check") << true << true;
    QTest::newRow("red image, loaded") << false << false;
}

void tst_app::window_panes_read_no_file_an_id_names()
{
    QFETCH(bool, fifo);
    QFETCH(bool, box_fails);

    QTemporaryDir dir;
    const QString named = dir.filePath(fifo ? "fifo" : "red.png");
    if (fifo) {
        QCOMPARE(mkfifo(QFile::encodeName(named).constData(), 0600), 0);
    } else {
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(named));
    }
    const QString id = QStringLiteral("<b>gras</b><img src=\"%1\">").arg(named);
    const QString session_path = dir.filePath("s.qrv");
    QVERIFY(write_session(session_path, {{"a", {5, 5, 5, 0, 0, 0}},
                                         {id, {5, 5, 5, box_fails ? 0 : 5, 0, 0}}}));

    MainWindow window;
    window.resize(1200, 900);
    debug_stream redirect(std::cout, window.output_pane());
    show_and_wait(window);
    QCOMPARE(window.load_session(session_path), !box_fails);
    QCoreApplication::processEvents();

    auto* info = window.findChild<QTextEdit*>("zone_info_boite");
    auto* tree = window.findChild<liste_boite*>("treeView");
    if (!box_fails) {
        QStandardItem* node = tree->root()->child(0)->child(1);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->visualRect(node->index()).center());
        QVERIFY(info->toHtml().contains("font-weight:600"));  // the bold tag still shows bold
    }
    for (QTextEdit* pane : {window.output_pane(), info}) {
        pane->moveCursor(QTextCursor::End);
        pane->ensureCursorVisible();
        QCoreApplication::processEvents();
        QVERIFY(!holds_red(pane->viewport()->grab().toImage()));
        const QVariant held = pane->document()->resource(QTextDocument::ImageResource,
                                                         QUrl::fromLocalFile(named));
        QVERIFY(qvariant_cast<QPixmap>(held).size() != QSize(40, 40));
    }
}

namespace {

// Paint events of each view from show to idle, as the entry point starts: show, then load.
QList<int> start_up_paints(const QString& path)
{
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    paint_counter painted;
    for (const char* name : view_names)
        window.findChild<gl_widget*>(name)->installEventFilter(&painted);
    window.setVisible(true);
    if (!path.isEmpty())
        window.load_session(path);
    if (!QTest::qWaitForWindowExposed(&window))
        return {};
    QTest::qWait(300);
    QList<int> counts;
    for (const char* name : view_names)
        counts << painted.counts.value(window.findChild<gl_widget*>(name));
    return counts;
}

}  // namespace

// A session loaded before the window is first on screen costs no frame of its own.
void tst_app::window_start_up_load_adds_no_frame()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.qrv");
    QVERIFY(write_session(path, {{"1", {5, 5, 5, 0, 0, 0}}, {"2", {5, 5, 5, 5, 0, 0}}}));

    const QList<int> without_session = start_up_paints(QString());
    QCOMPARE(without_session.size(), 4);
    QVERIFY(!without_session.contains(0));
    QCOMPARE(start_up_paints(path), without_session);
}

// The picked box steps off its support and falls: the window follows every signal, and each
// view draws once, after the key.
void tst_app::window_repaints_once_after_a_fall()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.qrv");
    QVERIFY(write_session(path, {{"pied", {2, 2, 6, 0, 0, 0}}, {"haut", {1, 2, 1, 1, 6, 0}}}));

    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    show_and_wait(window);
    QVERIFY(window.load_session(path));
    QTest::qWait(100);

    auto* view = window.findChild<gl_widget*>("widget_opengl");
    view->set_highlighted_box(1);
    view->setFocus();
    paint_counter painted;
    for (const char* name : view_names)
        window.findChild<gl_widget*>(name)->installEventFilter(&painted);
    QSignalSpy selected(view, &gl_widget::box_selected);

    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(selected.count(), 1 + 6);
    for (const QList<QVariant>& arguments : selected)
        QCOMPARE(arguments.at(0).toInt(), 2);
    QVERIFY(painted.counts.isEmpty());
    QTest::qWait(100);

    for (const char* name : view_names) {
        auto* each = window.findChild<gl_widget*>(name);
        QCOMPARE(painted.counts.value(each), 1);
        QCOMPARE(each->highlighted_box(), 1);
    }
    auto* tree = window.findChild<liste_boite*>("treeView");
    QCOMPARE(tree->currentIndex(), tree->root()->child(0)->child(1)->index());
    QVERIFY(window.findChild<QTextEdit*>("zone_info_boite")->toPlainText().contains("2, 0, 0"));
}

// An id far longer than a line: the output pane, the tree and the information pane hold it
// whole, and both panes break it anywhere to fit their width.
void tst_app::window_shows_a_long_id_whole()
{
    const QString id = QString(3 * safe_text_document::long_run, 'x');
    QTemporaryDir dir;
    const QString path = dir.filePath("s.qrv");
    QVERIFY(write_session(path, {{id, {5, 5, 5, 0, 0, 0}}}));

    MainWindow window;
    window.resize(1200, 900);
    debug_stream redirect(std::cout, window.output_pane());
    show_and_wait(window);
    QVERIFY(window.load_session(path));
    QCoreApplication::processEvents();
    QVERIFY(paragraphs(*window.output_pane())
                .contains("boite num:" + id + " - dim: 5,5,5  - pos: 0,0,0"));

    auto* tree = window.findChild<liste_boite*>("treeView");
    QStandardItem* node = tree->root()->child(0)->child(0);
    QCOMPARE(node->text(), "box" + id);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualRect(node->index()).center());
    auto* info = window.findChild<QTextEdit*>("zone_info_boite");
    QCOMPARE(info->toPlainText().section(QLatin1Char('\n'), 0, 0), "Boite id = " + id + " ");

    for (QTextEdit* pane : {window.output_pane(), info}) {
        QVERIFY(qobject_cast<safe_text_document*>(pane->document())->breaks_anywhere());
        QCoreApplication::processEvents();
        const QTextBlock block = pane->document()->findBlock(pane->toPlainText().indexOf(id));
        QVERIFY(block.layout()->lineCount() > 1);
    }
}

// ---- inspection

void tst_app::inspection_matches_the_checker_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("opens");  // a container was read, so there is something to show
    QTest::addColumn<int>("max_faults");

    const QByteArray container = "<qarvel name=\"s\"><container length=\"10\" width=\"8\" "
                                 "height=\"6\"/><boxs number=\"3\">";
    const QByteArray cube = "<box id=\"%1\" length=\"2\" width=\"2\" height=\"2\" "
                            "px=\"1\" py=\"0\" pz=\"1\"/>";
    const auto boxes = [&](QStringList ids) {
        QByteArray xml;
        for (const QString& id : ids)
            xml += QString::fromLatin1(cube).arg(id).toLatin1();
        return xml;
    };
    QTest::newRow("overlaps, a box outside, then the file ends") << planted_faults << true << 1000;
    QTest::newRow("three boxes in one place") << container + boxes({"u", "v", "w"})
                                                 + "</boxs></qarvel>" << true << 1000;
    QTest::newRow("an unknown element keeps the boxes before it")
        << container + boxes({"u", "v"}) + "<carton/>" + boxes({"w"}) + "</boxs></qarvel>"
        << true << 1000;
    QTest::newRow("many faults") << random_load(60) << true << 1000;
    QTest::newRow("many faults, capped") << random_load(60) << true << 7;
    QTest::newRow("many faults, no cap") << random_load(60) << true << 0;
    QStringList crowd;
    for (int i = 0; i < 300; ++i)
        crowd << QString::number(i);
    QTest::newRow("300 boxes in one place, capped")
        << container + boxes(crowd) + "</boxs></qarvel>" << true << 50;
    QTest::newRow("a valid file") << container + "<box id=\"u\" length=\"1\" width=\"1\" "
                                     "height=\"1\"/>" + "</boxs></qarvel>" << true << 1000;
    QTest::newRow("a box before the container") << boxes({"u"}) << false << 1000;
}

// The pane's lines, the tree, the fault list and where each row leads, against what
// packview-check writes for the same file with the same cap of faults; and the ordinary open
// of it is left as it was.
void tst_app::inspection_matches_the_checker()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, opens);
    QFETCH(int, max_faults);
    const QStringList cap{"--max-faults", QString::number(max_faults)};
    QTemporaryDir dir;
    const QString path = dir.filePath("s.qrv");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    const QJsonObject json = checker_json(path, cap);
    const QJsonArray faults = json["faults"].toArray();
    const int total = json["fault_count"].toInt();
    const bool loaded = json["loaded"].toBool();
    QStringList expected{seed};
    QStringList fault_lines;
    for (const QString& line : checker_lines(path, QStringList{"--all", "--boxes"} + cap)) {
        if (line.startsWith("Statistiques: ") || line.startsWith("Sans appui: "))
            continue;
        expected << line;
        if (line.startsWith("Defaut: ") || line.startsWith("... et "))
            fault_lines << line;
    }
    QCOMPARE(fault_lines.size(), faults.size() + (total > faults.size()));
    if (opens && !loaded)
        expected << inspection_line(total);

    MainWindow window;
    window.set_max_faults(max_faults);
    debug_stream redirect(std::cout, window.output_pane());
    std::cout << seed.toStdString() << std::endl;
    show_and_wait(window);
    QCOMPARE(window.inspect_session(path), opens);
    QCOMPARE(paragraphs(*window.output_pane()), expected);
    QCOMPARE(window.registered_sessions().size(), std::size_t(opens));
    if (opens) {
        const session& s = *window.registered_sessions().front();
        QCOMPARE(int(s.boxes.size()), json["statistics"]["boxes"].toInt());
        QCOMPARE(s.tree_item->text(),
                 loaded ? QString("s") : QStringLiteral("s (%1 defaut%2)")
                                             .arg(total).arg(total == 1 ? "" : "s"));
        QCOMPARE(s.tree_item->rowCount(), int(s.boxes.size()));
        auto* list = window.findChild<QTableView*>("liste_defauts");
        QCOMPARE(window.findChild<QDockWidget*>("dock_defauts")->isVisible(), !loaded);
        QCOMPARE(list->model()->rowCount(), fault_lines.size());
        QCOMPARE(int(s.faults.size()), faults.size());
        QStringList listed;
        for (int row = 0; row < fault_lines.size(); ++row) {
            const QModelIndex index = list->model()->index(row, 0);
            const QString line = index.data(Qt::ToolTipRole).toString();
            listed << line;
            auto* main_view = window.findChild<gl_widget*>("widget_opengl");
            if (row == faults.size()) {  // the last row, of the faults left out, leads nowhere
                QCOMPARE(index.data().toString(), line);
                const int before = main_view->chosen_fault();
                click_row(*list, index);
                QCOMPARE(main_view->chosen_fault(), before);
                break;
            }
            click_row(*list, index);
            const int chosen = main_view->chosen_fault();
            QVERIFY(chosen >= 0 && chosen < faults.size());
            QCOMPARE(fault_lines[chosen], line);
            for (const char* name : view_names)
                QCOMPARE(window.findChild<gl_widget*>(name)->chosen_fault(), chosen);
            const QString described = window.findChild<QTextEdit*>("zone_info_boite")->toPlainText();
            QVERIFY2(described.startsWith(line), qPrintable(described));
            const QJsonObject fault = faults[chosen].toObject();
            for (const QJsonValue& b : {QJsonValue(fault), fault["other"]})
                if (b.toObject().contains("id"))
                    QVERIFY(described.contains("Boite id = " + b["id"].toString() + " "));
        }
        listed.sort();
        fault_lines.sort();
        QCOMPARE(listed, fault_lines);
    }

    MainWindow ordinary;
    debug_stream ordinary_redirect(std::cout, ordinary.output_pane());
    std::cout << seed.toStdString() << std::endl;
    QCOMPARE(ordinary.load_session(path), loaded);
    QCOMPARE(paragraphs(*ordinary.output_pane()),
             QStringList{seed} + checker_lines(path, {"--boxes"}));
    QCOMPARE(ordinary.registered_sessions().size(), std::size_t(loaded));
}

bool holds_overlap_magenta(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qRed(image.pixel(x, y)) > 0 && qGreen(image.pixel(x, y)) == 0
                && qBlue(image.pixel(x, y)) == qRed(image.pixel(x, y)))
                return true;
    return false;
}

// Every view of the window shows the fault marks on screen (every box is grey, so only a mark
// is magenta); a box at fault chosen in the tree lists its faults in the
// pane, as the checker words them; the arrow keys leave it where it is and say why, once.
void tst_app::inspected_box_lists_its_faults_and_does_not_move()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.qrv");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(planted_faults) > 0);
    out.close();
    MainWindow window;
    debug_stream redirect(std::cout, window.output_pane());
    show_and_wait(window);
    QVERIFY(window.inspect_session(path));
    const session& s = *window.registered_sessions().front();
    screen_copy::let_paints_run();
    for (const char* name : view_names)
        QVERIFY2(holds_overlap_magenta(screen_copy::of(*window.findChild<gl_widget*>(name))), name);
    auto* tree = window.findChild<liste_boite*>("treeView");
    click_row(*tree, s.tree_item->child(1)->index());  // box b

    const QString described = window.findChild<QTextEdit*>("zone_info_boite")->toPlainText();
    QStringList faults_of_b;
    for (const QString& line : checker_lines(path, {"--all"}))
        if (line.startsWith("Defaut: ") && line.contains("[boite b]"))
            faults_of_b << line;
    QCOMPARE(faults_of_b.size(), 2);
    QVERIFY2(described.trimmed().endsWith(faults_of_b.join('\n')), qPrintable(described));

    auto* view = window.findChild<gl_widget*>("widget_opengl");
    QCOMPARE(view->highlighted_box(), 1);
    const QStringList before = paragraphs(*window.output_pane());
    view->setFocus();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Down})
        QTest::keyClick(view, key);
    QCOMPARE(paragraphs(*window.output_pane()),
             before + QStringList{"Deplacement impossible: la session a des defauts"});
    QCOMPARE(s.boxes[1]->position.px, 2);
    QCOMPARE(s.boxes[1]->position.pz, 0);
    QCOMPARE(s.boxes[1]->position.py, 1);
}

QTEST_MAIN(tst_app)
#include "tst_app.moc"
