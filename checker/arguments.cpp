#include "checker/arguments.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <iostream>

QStringList byte_faithful_arguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    return arguments;
}

QCommandLineOption max_faults_option()
{
    return QCommandLineOption(QStringLiteral("max-faults"),
                              QStringLiteral("Ecrit au plus N defauts par fichier, puis leur "
                                             "nombre total (0 : tous ; 1000 par defaut)."),
                              QStringLiteral("N"), QStringLiteral("1000"));
}

bool read_max_faults(const QCommandLineParser& parser, const QCommandLineOption& option,
                     int& max_faults)
{
    bool number = false;
    max_faults = parser.value(option).toInt(&number);
    if (number && max_faults >= 0)
        return true;
    std::cerr << "Valeur invalide pour --max-faults : "
              << parser.value(option).toLocal8Bit().constData() << '\n';
    return false;
}
