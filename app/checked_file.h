#pragma once

#include "model/capped_faults.h"
#include "model/session_reader.h"

#include <QByteArray>

// One session file read and checked as the window opens it: the reader's result, and the
// faults an inspection keeps under its cap. It needs no widget, so the program can read the
// file named at start on a thread of its own while the window is being built.
struct checked_file {
    checked_file(const QByteArray& native_name, bool inspect, int max_faults)
        : faults(max_faults),
          read(session_reader::read_native(
              native_name,
              inspect ? session_reader::mode::every_fault : session_reader::mode::first_fault,
              &faults))
    {
    }

    // Keeps only what the cap shows, so an inspection of millions of overlapping pairs holds
    // and writes no more than that; before read, which fills it.
    capped_faults faults;
    session_reader::result read;
};
