#pragma once

#include <cstdint>

class QString;
class QStringList;
struct packing_fault;

// The line that reports one fault of a session file, the same in packview-check --all and in
// the viewer's inspection ("Defaut: collision [boite d] index 3 avec [boite a] index 0,
// cellules x 1..4, y 0..3, z 1..5"). Built by concatenation: an id is written as it is.
QString fault_line(const packing_fault& f);

// "[boite id] index n": a box as the fault lines name it.
QString box_text(const QString& id, int index);

// The names of the axes set in axis_flag bits, in the order x, y, z.
QStringList axis_names(int axes);

// The short name of a kind of fault: "collision", "hors", "format".
QString fault_kind_name(int kind);
// A share of a base as its two areas and a percent cut, not rounded, to two decimals, so
// that a share under a least share never reads as that share: "7026/10000 (70.26 %)".
QString share_text(int64_t supported_area, int64_t base_area);

// A doubled coordinate halved, exactly: "12.5", "7".
QString halved_text(int64_t doubled);

// "1 defaut", "25 defauts".
QString fault_count(int64_t count);

// "... et K autres defauts": the faults a capped list leaves out.
QString more_faults_line(int64_t left_out);
