#pragma once

#include <QString>

struct box_support;

// The information pane's lines on how a box rests: its share of support and whether its
// centre is supported.
QString support_description(const box_support& s);
