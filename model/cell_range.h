#pragma once

struct box;

// A block of unit cells, half-open on every axis: x in [x0, x1), z in [z0, z1), y in [y0, y1).
// It is the one walk over cells that the packing check and the moves share.
struct cell_range {
    static cell_range of(const box& b);

    bool is_empty() const { return x0 >= x1 || z0 >= z1 || y0 >= y1; }

    // Visits the vertical runs [y0, y1) of the range, x outermost; stops at the first (x, z)
    // for which visit(x, z) returns true and returns true, else returns false.
    template <typename Visit>
    bool find_column(Visit visit) const
    {
        if (y0 >= y1)
            return false;
        for (int x = x0; x < x1; ++x)
            for (int z = z0; z < z1; ++z)
                if (visit(x, z))
                    return true;
        return false;
    }

    // The same walk cell by cell, y innermost.
    template <typename Visit>
    bool find(Visit visit) const
    {
        return find_column([&](int x, int z) {
            for (int y = y0; y < y1; ++y)
                if (visit(x, z, y))
                    return true;
            return false;
        });
    }

    int x0, x1;
    int z0, z1;
    int y0, y1;
};
