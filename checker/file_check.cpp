#include "checker/file_check.h"

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
    if (wanted && (c.read.loaded || (o.every_fault && !c.read.unreadable)))
        c.figures = packing_statistics::of(c.packing);
    return c;
}

void file_check::report_unreadable() const
{
    std::cout.flush();
    std::cerr << "Error: ouvrir le fichier " << native_path.constData() << ": "
              << read.open_error.toLocal8Bit().constData() << std::endl;
}
