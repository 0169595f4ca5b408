// packview-check: reads and checks session files as the viewer does, without a window, and
// says so by its exit status, for packing pipelines and continuous integration.

#include "checker/arguments.h"
#include "checker/check_options.h"
#include "model/fault_cap.h"
#include "checker/file_check.h"
#include "checker/text_report.h"
#include "model/fault_line.h"
#include "model/fault_sink.h"
#include "model/packing_check.h"

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

// ---- JSON, in UTF-8

QJsonObject box_json(const QString& id, int index)
{
    return {{"index", index}, {"id", id}};
}

QJsonArray span_json(int from, int to)
{
    return {from, to};
}

// The exact share as its two areas, and its percent for reading.
QJsonObject share_json(int64_t supported_area, int64_t base_area)
{
    return {{"supported_area", double(supported_area)},
            {"base_area", double(base_area)},
            {"percent", base_area > 0 ? 100.0 * double(supported_area) / double(base_area) : 0.0}};
}

double halved(int64_t doubled)
{
    return double(doubled) / 2;
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
    case packing_fault::kind::support:
    case packing_fault::kind::centre: {
        QJsonObject o = box_json(f.id, f.index);
        o.insert("kind", f.what == packing_fault::kind::support ? "support" : "centre");
        o.insert("share", share_json(f.supported_area, f.base_area));
        if (f.what == packing_fault::kind::centre)
            o.insert("centre", QJsonObject{{"x", halved(f.centre_x2)},
                                           {"y", f.base_level},
                                           {"z", halved(f.centre_z2)}});
        return o;
    }
    case packing_fault::kind::format:
        break;
    }
    return {{"kind", "format"}, {"message", f.message}};
}

QJsonObject statistics_json(const file_check& c, const check_options& o)
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
    if (c.support_figures) {
        const support_statistics& a = *c.support_figures;
        figures.insert("support",
                       QJsonObject{{"smallest_share",
                                    a.any_share ? QJsonValue(share_json(a.smallest_supported,
                                                                        a.smallest_base))
                                                : QJsonValue()},
                                   {"under_100", a.under_whole},
                                   {"under_75", a.under_three_quarters},
                                   {"centre_not_supported", a.centre_not_supported}});
    }
    return figures;
}

// Keeps the faults up to the cap for the file's object, and the count of all of them.
class json_sink : public fault_sink {
public:
    explicit json_sink(const check_options& o) : cap(o.max_faults) {}

    void viewer_finished(const QStringList&, bool) override {}

    void take(const packing_fault& f) override
    {
        if (cap.admits_one_more())
            faults.append(fault_json(f));
    }
    int64_t room() const override { return cap.room(); }
    void pass_over(int64_t count) override { cap.pass_over(count); }

    QJsonObject file_json(const file_check& c, const check_options& o) const
    {
        QJsonObject file{{"file", c.path},
                         {"opened", !c.read.unreadable},
                         {"loaded", c.read.loaded},
                         {"messages", QJsonArray::fromStringList(c.read.report)},
                         {"faults", faults},
                         {"fault_count", double(cap.total())},
                         {"faults_truncated", cap.left_out() > 0}};
        if (c.read.unreadable) {
            c.report_unreadable();
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

QJsonObject check_as_json(const QByteArray& native_path, const check_options& o, exit_status& status)
{
    json_sink sink(o);
    const file_check c = file_check::of(native_path, o, sink);
    c.find_support_faults(o, [&](const packing_fault& f) { sink.take(f); });
    status = std::max(status, c.status());
    return sink.file_json(c, o);
}

// ---- command line

// Empty when the run may go on; otherwise the status to leave with.
std::optional<int> parse_command_line(const QStringList& arguments, check_options& o)
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
    const QCommandLineOption max_faults = max_faults_option();
    parser.addOptions({help, boxes, all, json, stats, max_faults});
    parser.addOptions(support_options());
    parser.addPositionalArgument(QStringLiteral("FICHIER"),
                                 QStringLiteral("Fichiers de session, verifies dans l'ordre."),
                                 QStringLiteral("FICHIER..."));
    bool understood = false;
    if (const std::optional<int> status = parse_files(parser, arguments, help, o.files, understood))
        return status;
    understood = understood && read_max_faults(parser, max_faults, o.max_faults)
                 && read_support_checks(parser, o.support);
    if (const std::optional<int> status = refuse_unless(parser, understood, o.files))
        return status;
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
    check_options o;
    if (const std::optional<int> status = parse_command_line(byte_faithful_arguments(argc, argv), o))
        return *status;

    exit_status status = all_loaded;
    QJsonArray files;
    for (const QByteArray& path : o.files) {
        if (o.json)
            files.append(check_as_json(path, o, status));
        else
            status = std::max(status, text_report::check(path, o).status());
    }
    if (o.json)
        std::cout << QJsonDocument(files).toJson(QJsonDocument::Compact).constData() << '\n';
    std::cout.flush();
    return int(status);
}
