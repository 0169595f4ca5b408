#pragma once

#include "model/support_checks.h"

#include <QByteArray>
#include <QList>

// Worst outcome wins: a run's status is the highest of its files'.
enum exit_status { all_loaded = 0, check_failed = 1, not_opened = 2 };

// What a command line asks of the check of its files.
struct check_options {
    bool boxes = false;
    bool every_fault = false;
    bool json = false;
    bool statistics = false;
    int max_faults = 1000;      // faults written per file; 0 for all of them
    support_checks support;     // off unless asked for
    QList<QByteArray> files;    // the arguments' own bytes, which name the files
};
