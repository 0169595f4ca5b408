#pragma once

#include <array>

// Column-major a times b, as OpenGL keeps its matrices.
inline std::array<double, 16> multiplied(const std::array<double, 16>& a,
                                         const std::array<double, 16>& b)
{
    std::array<double, 16> product{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                product[column * 4 + row] += a[k * 4 + row] * b[column * 4 + k];
    return product;
}
