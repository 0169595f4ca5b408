#include "app/mainwindow.h"
#include "app/program.h"
#include "model/session.h"
#include "view3d/gl_widget.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace {

const QByteArray two_boxes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<qarvel name=\"demo\">\n"
    "  <container length=\"10\" width=\"8\" height=\"6\"/>\n"
    "  <param/>\n"
    "  <boxs number=\"2\">\n"
    "    <box id=\"1\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\" color=\"2\"/>\n"
    "    <box id=\"2\" length=\"6\" width=\"8\" height=\"3\" px=\"4\" py=\"0\" pz=\"0\" color=\"5\"/>\n"
    "  </boxs>\n"
    "</qarvel>\n";

template <typename T>
using x_reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
x_reply<T> take(T* reply)
{
    return x_reply<T>(reply, &std::free);
}

// The X server the tests run on, seen from outside the program: which windows a process
// shows, and the close request a window manager sends for a window's close button.
class x_display {
public:
    x_display() : connection(xcb_connect(nullptr, &screen_number)) {}
    ~x_display() { xcb_disconnect(connection); }

    bool usable() const { return !xcb_connection_has_error(connection); }

    QVector<xcb_window_t> shown_windows_of(qint64 pid)
    {
        QVector<xcb_window_t> shown;
        const auto tree = take(xcb_query_tree_reply(
            connection, xcb_query_tree(connection, root()), nullptr));
        if (!tree)
            return shown;
        const xcb_atom_t pid_atom = atom("_NET_WM_PID");
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const auto attributes = take(xcb_get_window_attributes_reply(
                connection, xcb_get_window_attributes(connection, children[i]), nullptr));
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
                continue;
            const auto owner = take(xcb_get_property_reply(
                connection,
                xcb_get_property(connection, 0, children[i], pid_atom, XCB_ATOM_CARDINAL, 0, 1),
                nullptr));
            if (owner && xcb_get_property_value_length(owner.get()) == 4
                && *static_cast<const uint32_t*>(xcb_get_property_value(owner.get())) == pid)
                shown << children[i];
        }
        return shown;
    }

    void ask_to_close(xcb_window_t window)
    {
        xcb_client_message_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(connection);
    }

private:
    xcb_window_t root()
    {
        xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screen_number; ++i)
            xcb_screen_next(&screen);
        return screen.data->root;
    }

    xcb_atom_t atom(const char* name)
    {
        const auto reply = take(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    int screen_number = 0;
    xcb_connection_t* connection;
};

struct finished_run {
    bool closed_normally = false;  // its window showed, was closed, and the program ended
    int exit_code = -1;
    QByteArray error_output;
};

// Starts the built program, waits until its main window shows, closes that window as the
// user would, and collects what the program wrote on its standard error stream.
finished_run run_executable(const QStringList& arguments)
{
    QProcess program;
    // Started as outside a desktop session, where no runtime directory is set.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    program.setProcessEnvironment(environment);
    program.start(PACKVIEW_EXECUTABLE, arguments);

    finished_run run;
    x_display display;
    QVector<xcb_window_t> shown;
    const bool window_shown = display.usable() && program.waitForStarted()
                              && QTest::qWaitFor([&] {
                                     shown = display.shown_windows_of(program.processId());
                                     return !shown.isEmpty();
                                 }, 60000);
    for (xcb_window_t window : shown)
        display.ask_to_close(window);
    if (window_shown && program.waitForFinished(60000)) {
        run.closed_normally = program.exitStatus() == QProcess::NormalExit;
        run.exit_code = program.exitCode();
    } else {
        program.kill();
        program.waitForFinished();
    }
    run.error_output = program.readAllStandardError();
    return run;
}

// Runs the whole program in this process; once its event loop runs, `inside` gets the main
// window, then the window is closed as the user would.
int run_in_process(const QList<QByteArray>& arguments,
                   const std::function<void(MainWindow&)>& inside)
{
    QList<QByteArray> words = QList<QByteArray>{"packview"} + arguments;
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<MainWindow*>(widget)) {
                inside(*window);
                window->close();
            }
        }
    });
    return run_program(int(words.size()), argv.data());
}

QStringList paragraphs(const QTextEdit& pane)
{
    QStringList texts;
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next())
        texts << block.text();
    return texts;
}

QStringList messages;

void record_message(QtMsgType, const QMessageLogContext&, const QString& text)
{
    messages << text;
}

}  // namespace

class tst_program : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void start_writes_no_warning();
    void file_name_not_valid_in_the_locale_opens();
    void executable_run_data();
    void executable_run();
    void partial_line_reaches_the_pane_before_the_window_goes();
    void escape_in_the_main_view_closes_only_that_view();
    void inspect_option_data();
    void inspect_option();

private:
    QString write_session(const QString& name, const QByteArray& bytes = two_boxes);

    QTemporaryDir dir;
};

void tst_program::initTestCase()
{
    QVERIFY(dir.isValid());
    // An argument that the program would report if it read it.
    QVERIFY(QDir(dir.path()).mkpath("a directory"));
}

QString tst_program::write_session(const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) < 0)
        return QString();
    return path;
}

void tst_program::start_writes_no_warning()
{
    const QString path = write_session("demo.qrv");
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(record_message);
    const int code = run_in_process({QFile::encodeName(path)}, [](MainWindow& window) {
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.registered_sessions().size(), std::size_t(1));
    });
    qInstallMessageHandler(previous);

    QCOMPARE(code, 0);
    QCOMPARE(messages, QStringList());
}

// Opened by the bytes of its name; its line shows what the text of the name can hold.
void tst_program::file_name_not_valid_in_the_locale_opens()
{
    const QByteArray name = QFile::encodeName(dir.path()) + "/caf\xe9.qrv";
    const QString renamed = write_session("latin1.qrv");
    QVERIFY(::rename(QFile::encodeName(renamed).constData(), name.constData()) == 0);
    QStringList lines;
    const int code = run_in_process({name}, [&](MainWindow& window) {
        QCOMPARE(window.registered_sessions().size(), std::size_t(1));
        lines = paragraphs(*window.output_pane());
    });

    QCOMPARE(code, 0);
    QCOMPARE(lines.mid(0, 1), QStringList{"Ouvrir le fichier : " + dir.path() + "/caf?.qrv"});
    QVERIFY(lines.contains("Lire le fichier -> OK"));
}

void tst_program::executable_run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("existing");  // the arguments written as session files
    QTest::addColumn<QString>("refused");       // the one argument reported, if any

    QTest::newRow("one file") << QStringList{"run1.qrv"} << QStringList{"run1.qrv"}
                              << QString();
    QTest::newRow("no file") << QStringList() << QStringList() << QString();
    QTest::newRow("non-ASCII file name") << QStringList{"séance d'été.qrv"}
                                         << QStringList{"séance d'été.qrv"} << QString();
    QTest::newRow("two arguments, only the first is read")
        << QStringList{"absent.qrv", "aussi absent.qrv"} << QStringList() << "absent.qrv";
    QTest::newRow("two arguments, the second is not even looked at")
        << QStringList{"premier.qrv", "a directory"} << QStringList{"premier.qrv"} << QString();
}

void tst_program::executable_run()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, existing);
    QFETCH(QString, refused);
    for (const QString& name : existing)
        QVERIFY(!write_session(name).isEmpty());
    QStringList paths;
    for (const QString& name : arguments)
        paths << dir.filePath(name);

    const finished_run run = run_executable(paths);

    QVERIFY(run.closed_normally);
    QCOMPARE(run.exit_code, 0);
    const QByteArray expected =
        refused.isEmpty() ? QByteArray()
                          : "Error: ouvrir le fichier " + QFile::encodeName(dir.filePath(refused))
                                + ": No such file or directory\n";
    QCOMPARE(run.error_output, expected);
}

void tst_program::partial_line_reaches_the_pane_before_the_window_goes()
{
    QStringList shown_last;
    const int code = run_in_process({}, [&shown_last](MainWindow& window) {
        QTextEdit* pane = window.output_pane();
        connect(pane, &QTextEdit::textChanged, pane,
                [&shown_last, pane] { shown_last = paragraphs(*pane); });
        std::cout << "ligne" << std::endl << "partielle";
        const QStringList now = paragraphs(*pane);
        QCOMPARE(now.mid(now.size() - 1), QStringList{"ligne"});
    });

    QCOMPARE(code, 0);
    QCOMPARE(shown_last.mid(shown_last.size() - 2), (QStringList{"ligne", "partielle"}));
}

void tst_program::escape_in_the_main_view_closes_only_that_view()
{
    bool view_shown_after = true;
    bool window_shown_after = false;
    const int code = run_in_process({}, [&](MainWindow& window) {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* view = window.findChild<gl_widget*>("widget_opengl");
        view->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), view);

        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);

        view_shown_after = view->isVisible();
        window_shown_after = window.isVisible();
    });

    QCOMPARE(code, 0);
    QVERIFY(!view_shown_after);
    QVERIFY(window_shown_after);
}

void tst_program::inspect_option_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("sessions");
    QTest::addColumn<int>("faults");
    QTest::newRow("a faulty file inspected") << QStringList{"--inspect", "overlap.qrv"} << 1 << 1;
    QTest::newRow("a faulty file opened") << QStringList{"overlap.qrv"} << 0 << 0;
    QTest::newRow("two boxes outside inspected") << QStringList{"--inspect", "outside.qrv"} << 1 << 2;
    QTest::newRow("two boxes outside inspected, one fault kept")
        << QStringList{"--max-faults", "1", "--inspect", "outside.qrv"} << 1 << 1;
    QTest::newRow("a valid file inspected") << QStringList{"--inspect", "run1.qrv"} << 1 << 0;
    QTest::newRow("the option alone names a file") << QStringList{"--inspect"} << 0 << 0;
    QTest::newRow("a floating box, support not checked") << QStringList{"raised.qrv"} << 1 << 0;
    QTest::newRow("a floating box, both checks")
        << QStringList{"--min-support", "75", "--centre", "raised.qrv"} << 1 << 2;
    QTest::newRow("a floating box inspected, its centre checked")
        << QStringList{"--centre", "--inspect", "raised.qrv"} << 1 << 1;
}

void tst_program::inspect_option()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, sessions);
    QFETCH(int, faults);
    QByteArray overlap = two_boxes;
    overlap.replace("px=\"4\"", "px=\"3\"");
    QVERIFY(!write_session("overlap.qrv", overlap).isEmpty());
    QByteArray outside = two_boxes;
    outside.replace("px=\"0\"", "px=\"8\"").replace("px=\"4\"", "px=\"8\"");
    QVERIFY(!write_session("outside.qrv", outside).isEmpty());
    QByteArray raised = two_boxes;
    raised.replace("px=\"4\" py=\"0\"", "px=\"4\" py=\"1\"");
    QVERIFY(!write_session("raised.qrv", raised).isEmpty());
    QVERIFY(!write_session("run1.qrv").isEmpty());
    QList<QByteArray> paths;
    for (const QString& argument : arguments)
        paths << QFile::encodeName(argument.endsWith(".qrv") ? dir.filePath(argument) : argument);

    int registered = -1;
    int found = -1;
    const int code = run_in_process(paths, [&](MainWindow& window) {
        registered = int(window.registered_sessions().size());
        found = registered == 1 ? int(window.registered_sessions().front()->faults.size()) : 0;
    });

    QCOMPARE(code, 0);
    QCOMPARE(registered, sessions);
    QCOMPARE(found, faults);
}

QTEST_MAIN(tst_program)
#include "tst_program.moc"
