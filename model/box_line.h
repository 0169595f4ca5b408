#pragma once

class QString;
struct box;

// The line the viewer writes for each box of a loaded file, two blanks before the second dash.
// Built by concatenation, so that a "%1" inside an id is written as it is.
QString box_line(const box& b);
