#include "app/program.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

// Outside a desktop session there is no runtime directory, and the toolkit then warns on the
// standard error stream at every start before falling back to one of its own; give it that
// private directory at once.
void provide_runtime_directory()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString directory = QDir::tempPath() + QStringLiteral("/runtime-")
                              + QString::number(getuid());
    QDir().mkpath(directory);
    QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(directory));
}

}  // namespace

int main(int argc, char** argv)
{
    provide_runtime_directory();
    QApplication app(argc, argv);
    // Where the Option menu's choices are kept between runs.
    QCoreApplication::setOrganizationName(QStringLiteral("packview"));
    QCoreApplication::setApplicationName(QStringLiteral("packview"));
    return run_program(argc, argv);
}
