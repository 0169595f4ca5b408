#include "checker/arguments.h"

#include "checker/check_options.h"
#include "model/support_checks.h"

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

QList<QCommandLineOption> support_options()
{
    return {QCommandLineOption(QStringLiteral("min-support"),
                               QStringLiteral("Signale chaque boite dont moins de P % de la base "
                                              "repose sur quelque chose (P de 0 a 100, "
                                              "decimales permises)."),
                               QStringLiteral("P")),
            QCommandLineOption(QStringLiteral("centre"),
                               QStringLiteral("Signale chaque boite dont le centre de la base "
                                              "n'est pas strictement au-dessus de ses appuis."))};
}

bool read_support_checks(const QCommandLineParser& parser, support_checks& checks)
{
    checks.centre = parser.isSet(QStringLiteral("centre"));
    if (!parser.isSet(QStringLiteral("min-support")))
        return true;
    const QString percent = parser.value(QStringLiteral("min-support"));
    checks.min_share = support_checks::parse_least_share(percent);
    if (checks.min_share)
        return true;
    std::cerr << "Valeur invalide pour --min-support : " << percent.toLocal8Bit().constData()
              << '\n';
    return false;
}

std::optional<int> parse_files(QCommandLineParser& parser, const QStringList& arguments,
                               const QCommandLineOption& help, QList<QByteArray>& files,
                               bool& understood)
{
    understood = parser.parse(arguments);
    if (understood && parser.isSet(help)) {
        std::cout << parser.helpText().toLocal8Bit().constData();
        return 0;
    }
    for (const QString& file : parser.positionalArguments())
        files << file.toLatin1();
    return std::nullopt;
}

std::optional<int> refuse_unless(const QCommandLineParser& parser, bool understood,
                                 const QList<QByteArray>& files)
{
    if (understood && !files.isEmpty())
        return std::nullopt;
    if (!parser.errorText().isEmpty())
        std::cerr << parser.errorText().toLocal8Bit().constData() << '\n';
    std::cerr << parser.helpText().toLocal8Bit().constData();
    return int(not_opened);
}
