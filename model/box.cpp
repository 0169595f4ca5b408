#include "model/box.h"

box::box(const ::position& where, const ::dimension& size) : position(where), dimension(size) {}

bool box::covers_no_cell() const
{
    return dimension.length() == 0 || dimension.width() == 0 || dimension.height() == 0;
}

bool box::lies_flat() const
{
    return dimension.height() == 0 && dimension.length() > 0 && dimension.width() > 0;
}
