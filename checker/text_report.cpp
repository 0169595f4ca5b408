#include "checker/text_report.h"

#include "checker/file_check.h"
#include "model/box_line.h"
#include "model/fault_line.h"

#include <QFile>

#include <iostream>

text_report::text_report(const check_options& o, std::vector<packing_fault>* written_faults)
    : o(o), cap(o.max_faults), written_faults(written_faults)
{
}

void text_report::write_line(const QString& line)
{
    std::cout << line.toLatin1().constData() << '\n';
}

file_check text_report::check(const QByteArray& native_path, const check_options& o,
                              std::vector<packing_fault>* written_faults, int64_t* left_out)
{
    write_line(QLatin1String("Ouvrir le fichier : ") + QFile::decodeName(native_path));
    text_report report(o, written_faults);
    file_check c = file_check::of(native_path, o, report);
    report.finish(c);
    if (left_out)
        *left_out = report.cap.left_out();
    return c;
}

void text_report::viewer_finished(const QStringList& lines, bool loaded)
{
    if (loaded)
        return;  // the box lines come first, once the boxes are known
    for (const QString& line : lines)
        write_line(line);
    write_line(QLatin1String("Lire le fichier -> PBM"));
}

void text_report::take(const packing_fault& f)
{
    if (o.every_fault)
        write_fault(f);
}

void text_report::write_fault(const packing_fault& f)
{
    if (!cap.admits_one_more())
        return;
    write_line(fault_line(f));
    if (written_faults)
        written_faults->push_back(f);
}

int64_t text_report::room() const
{
    return o.every_fault ? cap.room() : 0;
}

void text_report::pass_over(int64_t count)
{
    if (o.every_fault)
        cap.pass_over(count);
}

void text_report::finish(const file_check& c)
{
    if (c.read.unreadable) {
        c.report_unreadable();
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
    c.find_support_faults(o, [this](const packing_fault& f) { write_fault(f); });
    if (cap.left_out() > 0)
        write_line(more_faults_line(cap.left_out()));
    if (c.figures && (o.statistics || o.every_fault))
        write_statistics(c);
}

void text_report::write_statistics(const file_check& c) const
{
    const packing_statistics& s = *c.figures;
    write_line(QLatin1String("Statistiques: ") + QString::number(s.box_count)
               + QLatin1String(" boites, conteneur ") + QString::number(s.container_volume)
               + QLatin1String(", occupe ") + QString::number(s.packed_volume)
               + QLatin1String(", remplissage ") + QString::number(s.fill_rate, 'f', 2)
               + QLatin1String(" %, ") + QString::number(s.unsupported.size())
               + QLatin1String(" sans appui"));
    if (c.support_figures) {
        const support_statistics& a = *c.support_figures;
        write_line(QLatin1String("Appui: plus petite part ")
                   + (a.any_share ? share_text(a.smallest_supported, a.smallest_base)
                                  : QLatin1String("aucune"))
                   + QLatin1String(", ") + QString::number(a.under_whole)
                   + QLatin1String(" sous 100 %, ") + QString::number(a.under_three_quarters)
                   + QLatin1String(" sous 75 %, ") + QString::number(a.centre_not_supported)
                   + QLatin1String(a.centre_not_supported == 1 ? " centre sans appui"
                                                               : " centres sans appui"));
    }
    if (o.every_fault)
        for (int i : s.unsupported)
            write_line(QLatin1String("Sans appui: ")
                       + box_text(c.packing.boxes[std::size_t(i)]->id, i));
}
