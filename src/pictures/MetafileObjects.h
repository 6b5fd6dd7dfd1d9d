// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/MetafileCanvas.h"

#include <QRectF>

#include <cstddef>
#include <variant>
#include <vector>

namespace pictures {

// The graphics objects a metafile creates (pens, brushes, fonts and, in a WMF, regions kept as
// their bounding boxes), by their index in the file's handle table, and their selection into the
// canvas. Both players share it: a WMF fills the first free slot, an EMF names its slot.
class MetafileObjects {
public:
    using Object = std::variant<std::monostate, MetafilePen, MetafileBrush, MetafileFont, QRectF>;

    // The table's size as the header gives it, at least one slot and at most the 65,535 a file
    // can name.
    MetafileObjects(MetafileCanvas& canvas, std::size_t size);

    // The first free slot, as Windows fills its handle table; a full table grows up to the bound.
    void create(Object object);
    // The slot the file names; slots beyond the table are ignored.
    void store(std::size_t index, Object object);
    void remove(std::size_t index) { store(index, std::monostate()); }
    // The object in a slot if it is of that type, else null.
    template<typename T>
    const T* get(std::size_t index) const
    {
        return index < m_objects.size() ? std::get_if<T>(&m_objects[index]) : nullptr;
    }
    // Makes a pen, brush or font the canvas's current one; a region or an empty slot selects nothing.
    void select(std::size_t index);

    static constexpr std::size_t maxSize = 65535;

private:
    MetafileCanvas& m_canvas;
    std::vector<Object> m_objects;
};

}
