#include "model/packing_check.h"

#include "model/box.h"
#include "model/cell_range.h"
#include "model/dimension.h"
#include "model/occupancy_grid.h"

#include <QStringList>

#include <cstdint>

namespace {

// Sums in 64 bits: a coordinate near 2^31 plus an extent must not wrap past the wall, and a
// negative coordinate has no cell in the grid, so it counts as outside too.
bool sticks_out(int32_t start, int extent, int container_extent)
{
    return start < 0 || int64_t(start) + extent > container_extent;
}

bool outside_container(const dimension& container, const box& b)
{
    return outside_axes(container, b) != 0;
}

void report_fault(QStringList& report, const QString& message)
{
    report << QString() << message << QString();
}

}  // namespace

int outside_axes(const dimension& container, const box& b)
{
    const position& p = b.position;
    const dimension& d = b.dimension;
    return (sticks_out(p.px, d.length(), container.length()) ? axis_x : 0)
           | (sticks_out(p.py, d.height(), container.height()) ? axis_y : 0)
           | (sticks_out(p.pz, d.width(), container.width()) ? axis_z : 0);
}

bool check_box(const occupancy_grid& grid, const dimension& container, const box& b,
               QStringList& report)
{
    if (outside_container(container, b)) {
        report_fault(report, QStringLiteral(
            "Erreur: il existe des boites qui depassent la taille de conteneur. [boite %1]")
            .arg(b.id));
        return true;
    }
    if (grid.any_taken(cell_range::of(b))) {
        report_fault(report, QStringLiteral("Erreur: collision detectee [boite %1]").arg(b.id));
        return true;
    }
    return false;
}

void mark_box(occupancy_grid& grid, const box& b)
{
    grid.take(b);
}
