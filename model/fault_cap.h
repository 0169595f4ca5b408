#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// Counts every fault and lets through only the first max_faults of them (0: all), so that what
// is written, listed or drawn stays bounded whatever the file holds.
class fault_cap {
public:
    explicit fault_cap(int max_faults) : max_faults(max_faults) {}

    bool admits_one_more()
    {
        ++found;
        return max_faults == 0 || found <= max_faults;
    }
    // Faults past the cap, counted without being seen one by one.
    void pass_over(int64_t count) { found += count; }
    // How many more it would let through.
    int64_t room() const
    {
        return max_faults == 0 ? std::numeric_limits<int64_t>::max()
                               : std::max<int64_t>(0, max_faults - found);
    }

    int64_t total() const { return found; }
    int64_t left_out() const { return max_faults == 0 ? 0 : std::max<int64_t>(0, found - max_faults); }

private:
    const int max_faults;
    int64_t found = 0;
};
