#pragma once

#include <algorithm>
#include <cstdint>

// Counts every fault and lets through only the first max_faults of them, so that what is
// written stays bounded whatever the file holds.
class fault_cap {
public:
    explicit fault_cap(int max_faults) : max_faults(max_faults) {}

    bool admits_one_more()
    {
        ++found;
        return max_faults == 0 || found <= max_faults;
    }

    int64_t total() const { return found; }
    int64_t left_out() const { return max_faults == 0 ? 0 : std::max<int64_t>(0, found - max_faults); }

private:
    const int max_faults;
    int64_t found = 0;
};
