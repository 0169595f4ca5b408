#include "app/program.h"

#include "app/checked_file.h"
#include "app/debug_stream.h"
#include "app/mainwindow.h"
#include "model/support_checks.h"

#include <QApplication>
#include <QFile>
#include <QSettings>

#include <future>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The support checks and colours kept from the last runs.
support_checks kept_checks()
{
    const QSettings settings;
    support_checks checks;
    checks.min_share = support_checks::parse_least_share(
        settings.value(QStringLiteral("support/min_share")).toString());
    checks.centre = settings.value(QStringLiteral("support/centre"), false).toBool();
    return checks;
}

// What the command line asks for, and its lines for the output pane, which does not exist yet
// when it is read.
struct start_options {
    bool inspect = false;
    int max_faults = MainWindow::default_max_faults;
    support_checks checks;
    QByteArray file;  // empty: no file named
    std::vector<std::string> lines;
};

// Options come first, each with what it needs after it: a lone option is a file name. The
// support checks given here hold for this run, over those kept from the last ones.
start_options read_options(int argc, char** argv)
{
    start_options options;
    options.checks = kept_checks();
    int first = 1;
    while (argc > first + 1) {
        if (qstrcmp(argv[first], "--inspect") == 0) {
            options.inspect = true;
            first += 1;
        } else if (qstrcmp(argv[first], "--centre") == 0) {
            options.checks.centre = true;
            first += 1;
        } else if (qstrcmp(argv[first], "--max-faults") == 0) {
            bool number = false;
            const int max_faults = QByteArray(argv[first + 1]).toInt(&number);
            if (number && max_faults >= 0)
                options.max_faults = max_faults;
            else
                options.lines.push_back(std::string("Valeur invalide pour --max-faults : ")
                                        + argv[first + 1]);
            first += 2;
        } else if (qstrcmp(argv[first], "--min-support") == 0) {
            const auto least = support_checks::parse_least_share(QString::fromLatin1(argv[first + 1]));
            if (least)
                options.checks.min_share = least;
            else
                options.lines.push_back(std::string("Valeur invalide pour --min-support : ")
                                        + argv[first + 1]);
            first += 2;
        } else {
            break;
        }
    }
    if (argc > first)
        options.file = QByteArray(argv[first]);
    return options;
}

}  // namespace

int run_program(int argc, char** argv)
{
    const start_options options = read_options(argc, argv);
    // The file named is read and checked while the window and its views are being built: both
    // take long on large files, and the reading needs no widget.
    std::future<std::unique_ptr<checked_file>> reading;
    if (!options.file.isEmpty())
        reading = std::async(std::launch::async, [file = options.file, inspect = options.inspect,
                                                  max_faults = options.max_faults] {
            return std::make_unique<checked_file>(file, inspect, max_faults);
        });
    // The window outlives the redirection, so that a line still pending at the end reaches
    // its pane before the window goes.
    MainWindow window;
    debug_stream redirection(std::cout, window.output_pane());
    window.set_colours_by_support(
        QSettings().value(QStringLiteral("support/colours"), false).toBool());
    window.setVisible(true);
    for (const std::string& line : options.lines)
        std::cout << line << std::endl;
    window.set_max_faults(options.max_faults);
    window.set_support_checks(options.checks);
    // Opened by the argument's own bytes, so that a name not valid in the locale's encoding
    // still opens; its text is for the lines only.
    if (reading.valid())
        window.open_read_ahead(QFile::decodeName(options.file), options.file, options.inspect,
                               reading);
    return QApplication::exec();
}
