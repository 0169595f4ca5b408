#include "model/palette.h"

const std::array<palette::rgb, 16>& palette::entries()
{
    static const std::array<rgb, 16> table = {{
        {0, 0, 0},
        {221, 221, 0},
        {221, 0, 0},
        {0, 0, 221},
        {68, 153, 221},
        {76, 129, 234},
        {221, 0, 51},
        {51, 204, 204},
        {153, 0, 51},
        {153, 51, 51},
        {51, 204, 204},
        {102, 0, 102},
        {204, 51, 51},
        {153, 0, 51},
        {255, 102, 51},
        {204, 204, 204},
    }};
    return table;
}

const palette::rgb& palette::entry_for(int color)
{
    return entries()[static_cast<std::size_t>(((color % 16) + 16) % 16)];
}
