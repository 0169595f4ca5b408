#pragma once

// A session read from a file as the window holds it, for the benchmarks that time the model.

#include "model/session.h"
#include "model/session_reader.h"

#include <memory>

// Null when the file does not load.
inline std::unique_ptr<session> load(const QString& path)
{
    session_reader::result read = session_reader::read(path);
    if (!read.loaded)
        return nullptr;
    auto s = std::make_unique<session>();
    s->container = std::move(read.container);
    s->grid = std::move(read.grid);
    s->boxes = std::move(read.boxes);
    return s;
}
