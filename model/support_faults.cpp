#include "model/support_faults.h"

#include "model/session.h"
#include "model/support_checks.h"
#include "model/support_map.h"

#include <algorithm>

namespace {

packing_fault fault_of(const box& b, int index, const box_support& figures,
                       packing_fault::kind what)
{
    packing_fault f;
    f.what = what;
    f.index = index;
    f.id = b.id;
    f.supported_area = figures.supported_area;
    f.base_area = figures.base_area;
    f.centre_x2 = 2 * int64_t(b.position.px) + b.dimension.length();
    f.centre_z2 = 2 * int64_t(b.position.pz) + b.dimension.width();
    f.base_level = b.position.py;
    return f;
}

}  // namespace

int64_t find_support_faults(const session& s, const support_map& support,
                            const support_checks& checks,
                            const std::function<void(const packing_fault&)>& take)
{
    int64_t found = 0;
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
        const box_support& figures = support.of(i);
        for (const auto& [fails, what] :
             {std::pair{checks.share_fails(figures), packing_fault::kind::support},
              {checks.centre_fails(figures), packing_fault::kind::centre}}) {
            if (!fails)
                continue;
            ++found;
            take(fault_of(*s.boxes[i], int(i), figures, what));
        }
    }
    return found;
}

int64_t count_support_faults(const support_map& support, const support_checks& checks)
{
    int64_t found = 0;
    for (std::size_t i = 0; i < support.size(); ++i)
        found += int(checks.share_fails(support.of(i))) + int(checks.centre_fails(support.of(i)));
    return found;
}

bool has_geometry_faults(const session& s)
{
    return s.faults_found > s.support_faults_found;
}

void renew_support_faults(session& s, const support_checks& checks, int max_faults)
{
    ++s.faults_revision;
    s.faults.erase(std::remove_if(s.faults.begin(), s.faults.end(),
                                  [](const packing_fault& f) { return f.concerns_support(); }),
                   s.faults.end());
    s.faults_found -= s.support_faults_found;
    s.support_faults_found = 0;
    if (!s.support || !checks.any())
        return;
    s.support_faults_found =
        find_support_faults(s, *s.support, checks, [&](const packing_fault& f) {
            if (max_faults == 0 || s.faults.size() < std::size_t(max_faults))
                s.faults.push_back(f);
        });
    s.faults_found += s.support_faults_found;
}
