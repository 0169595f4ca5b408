#include "model/box_line.h"

#include "model/box.h"

#include <QString>

QString box_line(const box& b)
{
    const position& p = b.position;
    const dimension& d = b.dimension;
    const QChar comma(',');
    return QLatin1String("boite num:") + b.id + QLatin1String(" - dim: ")
           + QString::number(d.length()) + comma + QString::number(d.width()) + comma
           + QString::number(d.height()) + QLatin1String("  - pos: ") + QString::number(p.px)
           + comma + QString::number(p.py) + comma + QString::number(p.pz);
}
