#pragma once

#include <cstdint>

// Extents of a box or of the container. Each extent keeps only the low 16 bits of the value
// it is built from, read as unsigned (65600 becomes 64, -1 becomes 65535); the accessors widen
// it to a signed int so that sums with coordinates never wrap at 16 bits.
class dimension {
public:
    dimension(int length, int width, int height);

    int length() const { return length_; }  // along x
    int width() const { return width_; }    // along z
    int height() const { return height_; }  // along y, the vertical

private:
    uint16_t length_;
    uint16_t width_;
    uint16_t height_;
};
