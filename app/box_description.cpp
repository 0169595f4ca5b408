#include "app/box_description.h"

#include "model/box.h"
#include "model/palette.h"

// Each piece is filled by one arg() call, which never reads the inserted id as a template.
QString box_description(const box& b)
{
    const position& p = b.position;
    const dimension& d = b.dimension;
    const palette::rgb& c = palette::entry_for(b.color);
    const auto n = [](auto value) { return QString::number(value); };
    QString html = QStringLiteral("<b>Boite id = %1 </b><br>").arg(b.id);
    html += QStringLiteral("Dimention : <br>&nbsp;&nbsp; %1, %2, %3<br>")
                .arg(n(d.length()), n(d.width()), n(d.height()));
    html += QStringLiteral("Position : <br>&nbsp;&nbsp; %1, %2, %3<br>")
                .arg(n(p.px), n(p.py), n(p.pz));
    html += QStringLiteral("Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(%1,%2,%3);'>"
                           "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
                           "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;</span>")
                .arg(n(c.red), n(c.green), n(c.blue));
    return html;
}
