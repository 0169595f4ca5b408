#pragma once

#include "model/box.h"
#include "model/dimension.h"
#include "model/occupancy_grid.h"
#include "model/packing_fault.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QByteArray;
class fault_sink;

// Reads and checks one session file without any widget; the main window registers and shows
// what it returns.
class session_reader {
public:
    // The viewer stops at the first fault; a checker may go on through the packing faults
    // and stop only where the format forbids reading further.
    enum class mode { first_fault, every_fault };

    struct result {
        bool loaded = false;           // every box passed and the count matched
        bool unreadable = false;       // the file could not be opened; nothing else was done
        QString open_error;            // the file's error text when unreadable
        QStringList report;            // the viewer's lines for the output pane, in order
                                       // (not the box lines), in either mode
        std::vector<packing_fault> faults;  // in file order; the first box at fault only,
                                            // unless every fault was asked for; empty when
                                            // a sink took them
        QString name;                  // the "name" of the document element
        std::unique_ptr<dimension> container;
        std::unique_ptr<occupancy_grid> grid;
        std::vector<std::unique_ptr<box>> boxes;  // empty unless loaded or every fault was
                                                  // asked for
    };

    // With a sink, each fault goes to it as soon as it is found instead of into the result.
    static result read(const QString& path, mode m = mode::first_fault,
                       fault_sink* sink = nullptr);

    // The file named by these bytes, as the system gives them: a name that is not valid in
    // the locale's encoding has no text that names it.
    static result read_native(const QByteArray& native_path, mode m = mode::first_fault,
                              fault_sink* sink = nullptr);
};
