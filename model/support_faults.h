#pragma once

#include <cstdint>
#include <functional>

class support_map;
struct packing_fault;
struct session;
struct support_checks;

// Hands take each box that fails the checks, in file order, for each box its share before
// its centre; returns how many it handed.
int64_t find_support_faults(const session& s, const support_map& support,
                            const support_checks& checks,
                            const std::function<void(const packing_fault&)>& take);

// How many faults find_support_faults would hand, without making them.
int64_t count_support_faults(const support_map& support, const support_checks& checks);

// True when some fault of the session concerns its geometry: then its boxes do not move.
bool has_geometry_faults(const session& s);

// Replaces the session's support faults with those of its boxes as they stand now, after its
// other faults, as many as max_faults lets the session hold in all (0: every one), and counts
// them all in its faults found; none when no check is asked for.
void renew_support_faults(session& s, const support_checks& checks, int max_faults);
