#pragma once

#include <cstdint>

struct box;

// A rectangle of the horizontal plane, x in [x0, x1), z in [z0, z1). In 64 bits: a coordinate
// near the 32-bit limit plus an extent must not wrap.
struct flat_rect {
    // The box's bottom face; its top face is the same rectangle, higher.
    static flat_rect base_of(const box& b);

    bool is_empty() const { return x0 >= x1 || z0 >= z1; }
    int64_t area() const { return is_empty() ? 0 : (x1 - x0) * (z1 - z0); }
    // Empty when the two meet along an edge or a corner only.
    flat_rect intersection(const flat_rect& other) const;

    int64_t x0, x1;
    int64_t z0, z1;
};
