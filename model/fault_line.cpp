#include "model/fault_line.h"

#include "model/packing_check.h"
#include "model/packing_fault.h"

#include <QString>
#include <QStringList>

#include <utility>

namespace {

QString span_text(const char* axis, int from, int to)
{
    return QLatin1String(axis) + QLatin1Char(' ') + QString::number(from) + QLatin1String("..")
           + QString::number(to);
}

}  // namespace

QStringList axis_names(int axes)
{
    QStringList names;
    for (const auto& [flag, name] : {std::pair{axis_x, "x"}, {axis_y, "y"}, {axis_z, "z"}})
        if (axes & flag)
            names << QLatin1String(name);
    return names;
}

QString box_text(const QString& id, int index)
{
    return QLatin1String("[boite ") + id + QLatin1String("] index ") + QString::number(index);
}

QString fault_line(const packing_fault& f)
{
    switch (f.what) {
    case packing_fault::kind::outside:
        return QLatin1String("Defaut: hors du conteneur ") + box_text(f.id, f.index)
               + QLatin1String(", axes ") + axis_names(f.axes).join(QLatin1Char(','));
    case packing_fault::kind::collision: {
        const cell_range& c = f.shared;
        return QLatin1String("Defaut: collision ") + box_text(f.id, f.index)
               + QLatin1String(" avec ") + box_text(f.other_id, f.other_index)
               + QLatin1String(", cellules ") + span_text("x", c.x0, c.x1) + QLatin1String(", ")
               + span_text("y", c.y0, c.y1) + QLatin1String(", ") + span_text("z", c.z0, c.z1);
    }
    case packing_fault::kind::support:
        return QLatin1String("Defaut: appui insuffisant ") + box_text(f.id, f.index)
               + QLatin1String(", appui ") + share_text(f.supported_area, f.base_area);
    case packing_fault::kind::centre:
        return QLatin1String("Defaut: centre sans appui ") + box_text(f.id, f.index)
               + QLatin1String(", centre x ") + halved_text(f.centre_x2) + QLatin1String(", y ")
               + QString::number(f.base_level) + QLatin1String(", z ")
               + halved_text(f.centre_z2);
    case packing_fault::kind::format:
        break;
    }
    return QLatin1String("Defaut: format: ") + f.message;
}

QString fault_kind_name(int kind)
{
    switch (packing_fault::kind(kind)) {
    case packing_fault::kind::collision: return QStringLiteral("collision");
    case packing_fault::kind::outside: return QStringLiteral("hors");
    case packing_fault::kind::support: return QStringLiteral("appui");
    case packing_fault::kind::centre: return QStringLiteral("centre");
    case packing_fault::kind::format: break;
    }
    return QStringLiteral("format");
}

QString share_text(int64_t supported_area, int64_t base_area)
{
    const int64_t hundredths = base_area > 0 ? supported_area * 10000 / base_area : 0;
    return QString::number(supported_area) + QLatin1Char('/') + QString::number(base_area)
           + QLatin1String(" (") + QString::number(hundredths / 100) + QLatin1Char('.')
           + QString::number(hundredths % 100).rightJustified(2, QLatin1Char('0'))
           + QLatin1String(" %)");
}

QString halved_text(int64_t doubled)
{
    const int64_t magnitude = doubled < 0 ? -doubled : doubled;
    return QLatin1String(doubled < 0 ? "-" : "") + QString::number(magnitude / 2)
           + QLatin1String(magnitude % 2 ? ".5" : "");
}

QString fault_count(int64_t count)
{
    return QString::number(count) + QLatin1String(count == 1 ? " defaut" : " defauts");
}

QString more_faults_line(int64_t left_out)
{
    return QLatin1String("... et ") + QString::number(left_out) + QLatin1String(" autres defauts");
}
