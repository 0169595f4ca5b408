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
    // Opened by the argument's own bytes, so that a name not valid in the locale's encoding
    // still opens; its text is for the lines only.
    if (argc > 2 && qstrcmp(argv[1], "--inspect") == 0)
        window.inspect_session(QFile::decodeName(argv[2]), QByteArray(argv[2]));
    else if (argc > 1)
        window.load_session(QFile::decodeName(argv[1]), QByteArray(argv[1]));
    return QApplication::exec();
}
