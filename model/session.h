#pragma once

#include "model/box.h"
#include "model/dimension.h"
#include "model/occupancy_grid.h"
#include "model/packing_fault.h"
#include "model/support_map.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QStandardItem;

// One session file, loaded, or opened for inspection with its faults: the container, its boxes
// in file order and the grid of the cells they take.
struct session {
    std::vector<std::unique_ptr<box>> boxes;
    std::unique_ptr<dimension> container;
    QString file_name;                    // as given to the reader, for the already-open test
    QStandardItem* tree_item = nullptr;   // owned by the session tree's model
    int32_t session_number = 0;
    std::unique_ptr<occupancy_grid> grid;
    // The faults of a file opened for inspection, in file order, as many as the cap of faults
    // shown lets through; empty for a valid packing.
    std::vector<packing_fault> faults;
    int64_t faults_found = 0;             // all of them, held or not
    int64_t support_faults_found = 0;     // of which the support checks' faults
    // Counts every change of faults, so that what is drawn of them knows when to follow.
    unsigned faults_revision = 0;
    // How each box rests, when asked for; current after every move and its settling.
    std::unique_ptr<support_map> support;
    // The views colour each box by its share of support instead of its palette entry.
    bool colours_by_support = false;
};
