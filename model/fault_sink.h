#pragma once

#include <cstdint>
#include <limits>

class QStringList;
struct packing_fault;

// Takes the faults of one reading as they are found, so that a caller can write them out
// without holding them all in memory.
class fault_sink {
public:
    virtual ~fault_sink() = default;

    // The viewer's lines are complete: the viewer stopped at a fault, or the reading ended.
    // Comes once, before any fault.
    virtual void viewer_finished(const QStringList& lines, bool loaded) = 0;

    // One fault, in file order; a box's collisions by the index of the earlier box.
    virtual void take(const packing_fault& f) = 0;

    // How many more faults the sink takes one by one. Past that the reader only counts them
    // and hands over the count, so that a file with millions of overlapping pairs costs time
    // in proportion to its boxes, not to its pairs.
    virtual int64_t room() const { return std::numeric_limits<int64_t>::max(); }
    virtual void pass_over(int64_t /*count*/) {}
};
