#include "app/debug_stream.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QFile>

#include <iostream>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int result = 0;
    {
        MainWindow window;
        {
            debug_stream redirection(std::cout, window.output_pane());
            window.setVisible(true);
            // The local 8-bit encoding, so that a file name that is not ASCII still opens.
            if (argc > 1)
                window.load_session(QFile::decodeName(argv[1]));
            result = app.exec();
        }
    }
    return result;
}
