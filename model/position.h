#pragma once

#include <cstdint>

// The corner of a box with the smallest coordinates. The keyboard moves change it in place.
struct position {
    position(int32_t px, int32_t py, int32_t pz) : px(px), py(py), pz(pz) {}

    int32_t px;
    int32_t py;
    int32_t pz;
};
