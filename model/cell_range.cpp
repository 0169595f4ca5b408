#include "model/cell_range.h"

#include "model/box.h"

cell_range cell_range::of(const box& b)
{
    const position& p = b.position;
    const dimension& d = b.dimension;
    return {p.px, p.px + d.length(), p.pz, p.pz + d.width(), p.py, p.py + d.height()};
}

cell_range cell_range::beneath(const box& b)
{
    cell_range layer = of(b);
    layer.y0 = b.position.py - 1;
    layer.y1 = b.position.py;
    return layer;
}
