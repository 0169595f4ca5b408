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

}  // namespace

int run_program(int argc, char** argv)
{
    // The window outlives the redirection, so that a line still pending at the end reaches
    // its pane before the window goes.
    MainWindow window;
    debug_stream redirection(std::cout, window.output_pane());
    window.set_colours_by_support(
        QSettings().value(QStringLiteral("support/colours"), false).toBool());
    window.setVisible(true);
    // Options come first, each with what it needs after it: a lone option is a file name.
    // The support checks given here hold for this run, over those kept from the last ones.
    support_checks checks = kept_checks();
    int first = 1;
    bool inspect = false;
    while (argc > first + 1) {
        if (qstrcmp(argv[first], "--inspect") == 0) {
            inspect = true;
            first += 1;
        } else if (qstrcmp(argv[first], "--centre") == 0) {
            checks.centre = true;
            first += 1;
        } else if (qstrcmp(argv[first], "--max-faults") == 0) {
            bool number = false;
            const int max_faults = QByteArray(argv[first + 1]).toInt(&number);
            if (number && max_faults >= 0)
                window.set_max_faults(max_faults);
            else
                std::cout << "Valeur invalide pour --max-faults : " << argv[first + 1] << std::endl;
            first += 2;
        } else if (qstrcmp(argv[first], "--min-support") == 0) {
            const auto least = support_checks::parse_least_share(QString::fromLatin1(argv[first + 1]));
            if (least)
                checks.min_share = least;
            else
                std::cout << "Valeur invalide pour --min-support : " << argv[first + 1] << std::endl;
            first += 2;
        } else {
            break;
        }
    }
    window.set_support_checks(checks);
    // Opened by the argument's own bytes, so that a name not valid in the locale's encoding
    // still opens; its text is for the lines only.
    if (argc > first) {
        const QByteArray name(argv[first]);
        if (inspect)
            window.inspect_session(QFile::decodeName(name), name);
        else
            window.load_session(QFile::decodeName(name), name);
    }
    return QApplication::exec();
}
