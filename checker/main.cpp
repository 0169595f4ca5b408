// packview-check: reads and checks session files as the viewer does, without a window, and
// says so by its exit status, for packing pipelines and continuous integration.

#include "model/box_line.h"
#include "model/fault_line.h"
#include "model/fault_sink.h"
#include "model/packing_check.h"
#include "model/packing_statistics.h"
#include "model/session.h"
#include "model/session_reader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
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
    int max_faults = 1000;      // faults written per file; 0 for all of them
    QList<QByteArray> files;    // the arguments' own bytes, which name the files
};

// Counts every fault and lets through only the first max_faults of them, so that what is
// written stays bounded whatever the file holds.
class fault_cap {
public:
    explicit fault_cap(int max_faults) : max_faults(max_faults) {}

    bool admits_one_more()
    {
        ++found;
        return max_faults == 0 || found <= max_faults;
    }

    int64_t total() const { return found; }
    int64_t left_out() const { return max_faults == 0 ? 0 : std::max<int64_t>(0, found - max_faults); }

private:
    const int max_faults;
    int64_t found = 0;
};

struct file_check {
    QByteArray native_path;
    QString path;                 // the name as text, for the lines
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

file_check check_file(const QByteArray& native_path, const options& o, fault_sink& sink)
{
    file_check c;
    c.native_path = native_path;
    c.path = QFile::decodeName(native_path);
    c.read = session_reader::read_native(
        native_path,
        o.every_fault ? session_reader::mode::every_fault : session_reader::mode::first_fault,
        &sink);
    c.packing.container = std::move(c.read.container);
    c.packing.grid = std::move(c.read.grid);
    c.packing.boxes = std::move(c.read.boxes);
    const bool wanted = o.json || o.statistics || o.every_fault;
    if (wanted && (c.read.loaded || (o.every_fault && !c.read.unreadable)))
        c.figures = packing_statistics::of(c.packing);
    return c;
}

// The viewer's one line on the standard error stream, the name as its bytes.
void report_unreadable(const file_check& c)
{
    std::cout.flush();
    std::cerr << "Error: ouvrir le fichier " << c.native_path.constData() << ": "
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

// Writes the viewer's lines of a failed file as soon as they are known, then each fault as it
// is found, up to the cap.
class text_sink : public fault_sink {
public:
    explicit text_sink(const options& o) : o(o), cap(o.max_faults) {}

    void viewer_finished(const QStringList& lines, bool loaded) override
    {
        if (loaded)
            return;  // the box lines come first, once the boxes are known
        for (const QString& line : lines)
            write_line(line);
        write_line(QLatin1String("Lire le fichier -> PBM"));
    }

    void take(const packing_fault& f) override
    {
        if (o.every_fault && cap.admits_one_more())
            write_line(fault_line(f));
    }

    void finish(const file_check& c)
    {
        if (c.read.unreadable) {
            report_unreadable(c);
            return;
        }
        if (c.read.loaded) {
            for (const QString& line : c.read.report)
                write_line(line);
            if (o.boxes)
                for (const auto& b : c.packing.boxes)
                    write_line(box_line(*b));
            write_line(QLatin1String("Lire le fichier -> OK"));
        }
        if (cap.left_out() > 0)
            write_line(QLatin1String("... et ") + QString::number(cap.left_out())
                       + QLatin1String(" autres defauts"));
        if (c.figures && (o.statistics || o.every_fault))
            write_statistics(c, o);
    }

private:
    const options& o;
    fault_cap cap;
};

void check_as_text(const QByteArray& native_path, const options& o, exit_status& status)
{
    write_line(QLatin1String("Ouvrir le fichier : ") + QFile::decodeName(native_path));
    text_sink sink(o);
    const file_check c = check_file(native_path, o, sink);
    sink.finish(c);
    status = std::max(status, c.status());
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

// Keeps the faults up to the cap for the file's object, and the count of all of them.
class json_sink : public fault_sink {
public:
    explicit json_sink(const options& o) : cap(o.max_faults) {}

    void viewer_finished(const QStringList&, bool) override {}

    void take(const packing_fault& f) override
    {
        if (cap.admits_one_more())
            faults.append(fault_json(f));
    }

    QJsonObject file_json(const file_check& c, const options& o) const
    {
        QJsonObject file{{"file", c.path},
                         {"opened", !c.read.unreadable},
                         {"loaded", c.read.loaded},
                         {"messages", QJsonArray::fromStringList(c.read.report)},
                         {"faults", faults},
                         {"fault_count", double(cap.total())},
                         {"faults_truncated", cap.left_out() > 0}};
        if (c.read.unreadable) {
            report_unreadable(c);
            file.insert("error", c.read.open_error);
        }
        if (c.figures)
            file.insert("statistics", statistics_json(c, o));
        return file;
    }

private:
    fault_cap cap;
    QJsonArray faults;
};

QJsonObject check_as_json(const QByteArray& native_path, const options& o, exit_status& status)
{
    json_sink sink(o);
    const file_check c = check_file(native_path, o, sink);
    status = std::max(status, c.status());
    return sink.file_json(c, o);
}

// ---- command line

// Empty when the run may go on; otherwise the status to leave with.
std::optional<int> parse_command_line(const QStringList& arguments, options& o)
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
    const QCommandLineOption max_faults(
        QStringLiteral("max-faults"),
        QStringLiteral("Ecrit au plus N defauts par fichier, puis leur nombre total "
                       "(0 : tous ; 1000 par defaut)."),
        QStringLiteral("N"), QStringLiteral("1000"));
    parser.addOptions({help, boxes, all, json, stats, max_faults});
    parser.addPositionalArgument(QStringLiteral("FICHIER"),
                                 QStringLiteral("Fichiers de session, verifies dans l'ordre."),
                                 QStringLiteral("FICHIER..."));
    bool understood = parser.parse(arguments);
    if (understood && parser.isSet(help)) {
        std::cout << parser.helpText().toLocal8Bit().constData();
        return 0;
    }
    for (const QString& file : parser.positionalArguments())
        o.files << file.toLatin1();
    bool number = false;
    o.max_faults = parser.value(max_faults).toInt(&number);
    if (understood && (!number || o.max_faults < 0)) {
        understood = false;
        std::cerr << "Valeur invalide pour --max-faults : "
                  << parser.value(max_faults).toLocal8Bit().constData() << '\n';
    }
    if (!understood || o.files.isEmpty()) {
        if (!parser.errorText().isEmpty())
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

// Each argument as ISO 8859-1 text, which gives its bytes back unchanged: a file name need not
// be valid in the locale's encoding to name a file.
QStringList byte_faithful_arguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("packview-check"));
    std::ios::sync_with_stdio(false);
    options o;
    if (const std::optional<int> status = parse_command_line(byte_faithful_arguments(argc, argv), o))
        return *status;

    exit_status status = all_loaded;
    QJsonArray files;
    for (const QByteArray& path : o.files) {
        if (o.json)
            files.append(check_as_json(path, o, status));
        else
            check_as_text(path, o, status);
    }
    if (o.json)
        std::cout << QJsonDocument(files).toJson(QJsonDocument::Compact).constData() << '\n';
    std::cout.flush();
    return int(status);
}
