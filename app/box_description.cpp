#include "app/box_description.h"

#include "model/box.h"
#include "model/palette.h"

QString box_description(const box& b)
{
    const position& p = b.position;
    const dimension& d = b.dimension;
    const palette::rgb& c = palette::entry_for(b.color);
    QString html = QStringLiteral("<b>Boite id = %1 </b><br>").arg(b.id);
    html += QStringLiteral("Dimention : <br>&nbsp;&nbsp; %1, %2, %3<br>")
                .arg(d.length()).arg(d.width()).arg(d.height());
    html += QStringLiteral("Position : <br>&nbsp;&nbsp; %1, %2, %3<br>")
                .arg(p.px).arg(p.py).arg(p.pz);
    html += QStringLiteral("Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(%1,%2,%3);'>"
                           "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
                           "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;</span>")
                .arg(c.red).arg(c.green).arg(c.blue);
    return html;
}
