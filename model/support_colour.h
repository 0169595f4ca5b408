#pragma once

#include "model/palette.h"

struct box_support;

// A box's colour by its share of support, on a scale read at once: red for a box resting on
// nothing, through orange to yellow at 75 %, to green for a box wholly supported; grey for a
// base of no area.
palette::rgb support_colour(const box_support& s);
