#pragma once

#include "checker/check_options.h"
#include "model/packing_statistics.h"
#include "model/session.h"
#include "model/session_reader.h"
#include "model/support_statistics.h"

#include <functional>
#include <optional>

class fault_sink;

// One file read and checked as the command line asks, each fault handed to the sink as it is
// found; the session holds what was read of it.
struct file_check {
    QByteArray native_path;
    QString path;                 // the name as text, for the lines
    session_reader::result read;  // its container, grid and boxes are moved into packing
    session packing;
    std::optional<packing_statistics> figures;
    // With a support check, on boxes that were read: its faults, and its figures with the
    // others. packing.support holds how every box rests.
    int64_t support_fault_count = 0;
    std::optional<support_statistics> support_figures;

    static file_check of(const QByteArray& native_path, const check_options& o, fault_sink& sink);

    exit_status status() const
    {
        if (read.unreadable)
            return not_opened;
        return read.loaded && support_fault_count == 0 ? all_loaded : check_failed;
    }

    // Hands take the support faults, as many as support_fault_count.
    void find_support_faults(const check_options& o,
                             const std::function<void(const packing_fault&)>& take) const;

    // The viewer's one line on the standard error stream, the name as its bytes.
    void report_unreadable() const;
};
