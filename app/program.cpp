#include "app/program.h"

#include "app/debug_stream.h"
#include "app/mainwindow.h"
#include "model/support_checks.h"

#include <QApplication>
#include <QFile>
#include <QSettings>

#include <iostream>

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

// "--min-support P" and "--centre" ahead of the file set the checks for this run; false, with
// a line on the standard error stream, for a least share that is not a percent.
bool take_support_options(int argc, char** argv, int& at, support_checks& checks)
{
    for (; at < argc; ++at) {
        if (qstrcmp(argv[at], "--centre") == 0) {
            checks.centre = true;
        } else if (qstrcmp(argv[at], "--min-support") == 0 && at + 1 < argc) {
            checks.min_share = support_checks::parse_least_share(QString::fromLatin1(argv[++at]));
            if (!checks.min_share) {
                std::cerr << "Valeur invalide pour --min-support : " << argv[at] << std::endl;
                return false;
            }
        } else {
            return true;
        }
    }
    return true;
}

}  // namespace

int run_program(int argc, char** argv)
{
    support_checks checks = kept_checks();
    int at = 1;
    if (!take_support_options(argc, argv, at, checks))
        return 2;
    // The window outlives the redirection, so that a line still pending at the end reaches
    // its pane before the window goes.
    MainWindow window;
    debug_stream redirection(std::cout, window.output_pane());
    window.set_support_checks(checks);
    window.set_colours_by_support(QSettings().value(QStringLiteral("support/colours"), false).toBool());
    window.setVisible(true);
    // Opened by the argument's own bytes, so that a name not valid in the locale's encoding
    // still opens; its text is for the lines only.
    if (argc > at + 1 && qstrcmp(argv[at], "--inspect") == 0)
        window.inspect_session(QFile::decodeName(argv[at + 1]), QByteArray(argv[at + 1]));
    else if (argc > at)
        window.load_session(QFile::decodeName(argv[at]), QByteArray(argv[at]));
    return QApplication::exec();
}
