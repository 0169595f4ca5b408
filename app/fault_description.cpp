#include "app/fault_description.h"

#include "app/box_description.h"
#include "model/fault_line.h"
#include "model/packing_fault.h"
#include "model/session.h"

namespace {

// Fault lines carry ids: in the pane they are text, never markup.
QString line_html(const packing_fault& f)
{
    return fault_line(f).toHtmlEscaped() + QLatin1String("<br>");
}

QString box_html(const session& s, int index)
{
    if (index < 0 || std::size_t(index) >= s.boxes.size())
        return QString();
    return QLatin1String("<br>") + box_description(*s.boxes[std::size_t(index)]);
}

}  // namespace

QString fault_description(const session& s, const packing_fault& f)
{
    return QLatin1String("<b>") + line_html(f) + QLatin1String("</b>") + box_html(s, f.index)
           + box_html(s, f.other_index);
}

QString faults_of_box(const session& s, int index)
{
    QString html;
    for (const packing_fault& f : s.faults)
        if (f.index == index || f.other_index == index)
            html += line_html(f);
    return html.isEmpty() ? html : QLatin1String("<br>") + html;
}
