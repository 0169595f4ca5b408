#pragma once

#include "model/box.h"
#include "model/dimension.h"
#include "model/occupancy_grid.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Reads and checks one session file without any widget; the main window registers and shows
// what it returns.
class session_reader {
public:
    struct result {
        bool loaded = false;           // every box passed and the count matched
        bool unreadable = false;       // the file could not be opened; nothing else was done
        QString open_error;            // the file's error text when unreadable
        QStringList report;            // lines for the output pane, in order (not the box lines)
        QString name;                  // the "name" of the document element
        std::unique_ptr<dimension> container;
        std::unique_ptr<occupancy_grid> grid;
        std::vector<std::unique_ptr<box>> boxes;  // empty unless loaded
    };

    static result read(const QString& path);
};
