#pragma once

#include "model/fault_cap.h"
#include "model/fault_sink.h"
#include "model/packing_fault.h"

#include <vector>

// Keeps the first faults of a reading up to the cap and counts all of them, so that an
// inspection holds no more faults than it shows whatever the file holds.
class capped_faults : public fault_sink {
public:
    explicit capped_faults(int max_faults) : cap(max_faults) {}

    void viewer_finished(const QStringList&, bool) override {}
    void take(const packing_fault& f) override
    {
        if (cap.admits_one_more())
            kept.push_back(f);
    }
    int64_t room() const override { return cap.room(); }
    void pass_over(int64_t count) override { cap.pass_over(count); }

    int64_t total() const { return cap.total(); }
    int64_t left_out() const { return cap.left_out(); }

    std::vector<packing_fault> kept;

private:
    fault_cap cap;
};
