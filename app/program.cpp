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
    // The local 8-bit encoding, so that a file name that is not ASCII still opens.
    if (argc > 2 && qstrcmp(argv[1], "--inspect") == 0)
        window.inspect_session(QFile::decodeName(argv[2]));
    else if (argc > 1)
        window.load_session(QFile::decodeName(argv[1]));
    return QApplication::exec();
}
