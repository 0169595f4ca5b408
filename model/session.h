#pragma once

#include "model/box.h"
#include "model/dimension.h"
#include "model/occupancy_grid.h"
#include "model/packing_fault.h"

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
};
