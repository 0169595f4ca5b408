#include "app/program.h"

#include "app/debug_stream.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QFile>

#include <iostream>

int run_program(int argc, char** argv)
{
    // The window outlives the redirection, so that a line still pending at the end reaches
    // its pane before the window goes.
    MainWindow window;
    debug_stream redirection(std::cout, window.output_pane());
    window.setVisible(true);
    // Options come first, each with what it needs after it: a lone option is a file name.
    int first = 1;
    bool inspect = false;
    while (argc > first + 1) {
        if (qstrcmp(argv[first], "--inspect") == 0) {
            inspect = true;
            first += 1;
        } else if (qstrcmp(argv[first], "--max-faults") == 0) {
            bool number = false;
            const int max_faults = QByteArray(argv[first + 1]).toInt(&number);
            if (number && max_faults >= 0)
                window.set_max_faults(max_faults);
            else
                std::cout << "Valeur invalide pour --max-faults : " << argv[first + 1] << std::endl;
            first += 2;
        } else {
            break;
        }
    }
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
