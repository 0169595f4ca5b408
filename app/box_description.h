#pragma once

#include <QString>

struct box;

// The information pane's HTML for one box: id, dimension, position and a colour swatch.
QString box_description(const box& b);
