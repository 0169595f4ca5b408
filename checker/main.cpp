// packview-check: reads and checks session files as the viewer does, without a window, and
// says so by its exit status, for packing pipelines and continuous integration.

#include "model/box_line.h"
#include "model/fault_line.h"
#include "model/packing_check.h"
#include "model/packing_statistics.h"
#include "model/session.h"
#include "model/session_reader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <iostream>
#include <optional>

namespace {

// Worst outcome wins: the run's status is the highest of its files'.
enum exit_status { all_loaded = 0, check_failed = 1, not_opened = 2 };

struct options {
    bool boxes = false;
    bool every_fault = false;
    bool json = false;
    bool statistics = false;
    QStringList files;
};

struct file_check {
    QString path;
    session_reader::result read;  // its container, grid and boxes are moved into packing
    session packing;
    std::optional<packing_statistics> figures;

    exit_status status() const
    {
        if (read.unreadable)
            return not_opened;
        return read.loaded ? all_loaded : check_failed;
    }
};

file_check check_file(const QString& path, const options& o)
{
    file_check c;
    c.path = path;
    c.read = session_reader::read(path, o.every_fault ? session_reader::mode::every_fault
                                                     : session_reader::mode::first_fault);
    c.packing.container = std::move(c.read.container);
    c.packing.grid = std::move(c.read.grid);
    c.packing.boxes = std::move(c.read.boxes);
    const bool wanted = o.json || o.statistics || o.every_fault;
    if (wanted && (c.read.loaded || (o.every_fault && !c.read.unreadable)))
        c.figures = packing_statistics::of(c.packing);
    return c;
}

// The viewer's one line on the standard error stream, in the local 8-bit encoding.
void report_unreadable(const file_check& c)
{
    std::cout.flush();
    std::cerr << "Error: ouvrir le fichier " << c.path.toLocal8Bit().constData() << ": "
              << c.read.open_error.toLocal8Bit().constData() << std::endl;
}

// ---- text, in the viewer's ISO 8859-1 ('?' for what it cannot hold)

void write_line(const QString& line)
{
    std::cout << line.toLatin1().constData() << '\n';
}

void write_statistics(const file_check& c, const options& o)
{
    const packing_statistics& s = *c.figures;
    write_line(QLatin1String("Statistiques: ") + QString::number(s.box_count)
               + QLatin1String(" boites, conteneur ") + QString::number(s.container_volume)
               + QLatin1String(", occupe ") + QString::number(s.packed_volume)
               + QLatin1String(", remplissage ") + QString::number(s.fill_rate, 'f', 2)
               + QLatin1String(" %, ") + QString::number(s.unsupported.size())
               + QLatin1String(" sans appui"));
    if (o.every_fault)
        for (int i : s.unsupported)
            write_line(QLatin1String("Sans appui: ")
                       + box_text(c.packing.boxes[std::size_t(i)]->id, i));
}

void write_text(const file_check& c, const options& o)
{
    write_line(QLatin1String("Ouvrir le fichier : ") + c.path);
    if (c.read.unreadable) {
        report_unreadable(c);
        return;
    }
    for (const QString& line : c.read.report)
        write_line(line);
    if (c.read.loaded && o.boxes)
        for (const auto& b : c.packing.boxes)
            write_line(box_line(*b));
    write_line(QLatin1String("Lire le fichier -> ")
               + QLatin1String(c.read.loaded ? "OK" : "PBM"));
    if (o.every_fault)
        for (const packing_fault& f : c.read.faults)
            write_line(fault_line(f));
    if (c.figures && (o.statistics || o.every_fault))
        write_statistics(c, o);
}

// ---- JSON, in UTF-8

QJsonObject box_json(const QString& id, int index)
{
    return {{"index", index}, {"id", id}};
}

QJsonArray span_json(int from, int to)
{
    return {from, to};
}

QJsonObject fault_json(const packing_fault& f)
{
    switch (f.what) {
    case packing_fault::kind::outside: {
        QJsonObject o = box_json(f.id, f.index);
        o.insert("kind", "outside");
        o.insert("axes", QJsonArray::fromStringList(axis_names(f.axes)));
        return o;
    }
    case packing_fault::kind::collision: {
        const cell_range& c = f.shared;
        QJsonObject o = box_json(f.id, f.index);
        o.insert("kind", "collision");
        o.insert("other", box_json(f.other_id, f.other_index));
        o.insert("cells", QJsonObject{{"x", span_json(c.x0, c.x1)},
                                      {"y", span_json(c.y0, c.y1)},
                                      {"z", span_json(c.z0, c.z1)}});
        return o;
    }
    case packing_fault::kind::format:
        break;
    }
    return {{"kind", "format"}, {"message", f.message}};
}

QJsonObject statistics_json(const file_check& c, const options& o)
{
    const packing_statistics& s = *c.figures;
    QJsonObject figures{{"boxes", s.box_count},
                        {"container_volume", double(s.container_volume)},
                        {"packed_volume", double(s.packed_volume)},
                        {"fill_rate", s.fill_rate},
                        {"unsupported", int(s.unsupported.size())}};
    if (o.every_fault) {
        QJsonArray listed;
        for (int i : s.unsupported)
            listed.append(box_json(c.packing.boxes[std::size_t(i)]->id, i));
        figures.insert("unsupported_boxes", listed);
    }
    return figures;
}

QJsonObject file_json(const file_check& c, const options& o)
{
    QJsonObject file{{"file", c.path},
                     {"opened", !c.read.unreadable},
                     {"loaded", c.read.loaded},
                     {"messages", QJsonArray::fromStringList(c.read.report)}};
    if (c.read.unreadable) {
        report_unreadable(c);
        file.insert("error", c.read.open_error);
    }
    QJsonArray faults;
    for (const packing_fault& f : c.read.faults)
        faults.append(fault_json(f));
    file.insert("faults", faults);
    if (c.figures)
        file.insert("statistics", statistics_json(c, o));
    return file;
}

// ---- command line

// Empty when the run may go on; otherwise the status to leave with.
std::optional<int> parse_command_line(const QCoreApplication& app, options& o)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lit et verifie des fichiers de session comme packview, sans fenetre, et ecrit les "
        "lignes du visualiseur pour chacun.\n"
        "Statut de sortie : 0 si chaque fichier se charge, 1 si un fichier echoue a la "
        "verification, 2 si un fichier ne s'ouvre pas ou si la ligne de commande est fausse."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Affiche cette aide."));
    const QCommandLineOption boxes(QStringLiteral("boxes"),
                                   QStringLiteral("Ecrit aussi les lignes des boites."));
    const QCommandLineOption all(
        QStringLiteral("all"),
        QStringLiteral("Continue apres le premier defaut et les signale tous, avec les "
                       "statistiques et les boites sans appui."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Ecrit un seul document JSON (UTF-8)."));
    const QCommandLineOption stats(QStringLiteral("stats"),
                                   QStringLiteral("Ecrit les statistiques des fichiers charges."));
    parser.addOptions({help, boxes, all, json, stats});
    parser.addPositionalArgument(QStringLiteral("FICHIER"),
                                 QStringLiteral("Fichiers de session, verifies dans l'ordre."),
                                 QStringLiteral("FICHIER..."));
    const bool understood = parser.parse(app.arguments());
    if (understood && parser.isSet(help)) {
        std::cout << parser.helpText().toLocal8Bit().constData();
        return 0;
    }
    o.files = parser.positionalArguments();
    if (!understood || o.files.isEmpty()) {
        if (!understood)
            std::cerr << parser.errorText().toLocal8Bit().constData() << '\n';
        std::cerr << parser.helpText().toLocal8Bit().constData();
        return int(not_opened);
    }
    o.boxes = parser.isSet(boxes);
    o.every_fault = parser.isSet(all);
    o.json = parser.isSet(json);
    o.statistics = parser.isSet(stats);
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("packview-check"));
    std::ios::sync_with_stdio(false);
    options o;
    if (const std::optional<int> status = parse_command_line(app, o))
        return *status;

    int status = all_loaded;
    QJsonArray files;
    for (const QString& path : o.files) {
        const file_check c = check_file(path, o);
        status = std::max(status, int(c.status()));
        if (o.json)
            files.append(file_json(c, o));
        else
            write_text(c, o);
    }
    if (o.json)
        std::cout << QJsonDocument(files).toJson(QJsonDocument::Compact).constData() << '\n';
    std::cout.flush();
    return status;
}
