#pragma once

#include <QString>

struct packing_fault;
struct session;

// The information pane's HTML for one fault of a session: its fault line, then the
// description of each box it names.
QString fault_description(const session& s, const packing_fault& f);

// The fault lines of every fault the box at index is part of, as HTML to follow the box's
// description; empty for a box without faults.
QString faults_of_box(const session& s, int index);
