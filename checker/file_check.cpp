#include "checker/file_check.h"

#include "model/support_faults.h"
#include "model/support_map.h"

#include <QFile>

#include <iostream>

file_check file_check::of(const QByteArray& native_path, const check_options& o, fault_sink& sink)
{
    file_check c;
    c.native_path = native_path;
    c.path = QFile::decodeName(native_path);
    c.read = session_reader::read_native(
        native_path,
        o.every_fault ? session_reader::mode::every_fault : session_reader::mode::first_fault,
        &sink);
    c.packing.container = std::move(c.read.container);
    c.packing.grid = std::move(c.read.grid);
    c.packing.boxes = std::move(c.read.boxes);
    const bool wanted = o.json || o.statistics || o.every_fault;
    const bool boxes_read = c.read.loaded || (o.every_fault && !c.read.unreadable);
    if (wanted && boxes_read)
        c.figures = packing_statistics::of(c.packing);
    if (o.support.any() && boxes_read && c.packing.grid) {
        c.packing.support = std::make_unique<support_map>(c.packing.boxes, *c.packing.grid);
        c.support_fault_count = count_support_faults(*c.packing.support, o.support);
        if (c.figures)
            c.support_figures = support_statistics::of(*c.packing.support);
    }
    return c;
}

void file_check::find_support_faults(const check_options& o,
                                     const std::function<void(const packing_fault&)>& take) const
{
    if (packing.support)
        ::find_support_faults(packing, *packing.support, o.support, take);
}

void file_check::report_unreadable() const
{
    std::cout.flush();
    std::cerr << "Error: ouvrir le fichier " << native_path.constData() << ": "
              << read.open_error.toLocal8Bit().constData() << std::endl;
}
