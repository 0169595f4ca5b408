#include "model/cell_range.h"

#include "model/box.h"

cell_range cell_range::of(const box& b)
{
    const position& p = b.position;
    const dimension& d = b.dimension;
    return {p.px, p.px + d.length(), p.pz, p.pz + d.width(), p.py, p.py + d.height()};
}
