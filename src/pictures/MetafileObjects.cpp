// SPDX-License-Identifier: MIT
#include "pictures/MetafileObjects.h"

#include <algorithm>

namespace pictures {

MetafileObjects::MetafileObjects(MetafileCanvas& canvas, std::size_t size)
    : m_canvas(canvas)
{
    m_objects.resize(std::clamp<std::size_t>(size, 1, maxSize));
}

void MetafileObjects::create(Object object)
{
    for (Object& slot : m_objects) {
        if (std::holds_alternative<std::monostate>(slot)) {
            slot = std::move(object);
            return;
        }
    }
    if (m_objects.size() < maxSize)
        m_objects.push_back(std::move(object));
}

void MetafileObjects::store(std::size_t index, Object object)
{
    if (index < m_objects.size())
        m_objects[index] = std::move(object);
}

void MetafileObjects::select(std::size_t index)
{
    if (const auto* pen = get<MetafilePen>(index))
        m_canvas.setPen(*pen);
    else if (const auto* brush = get<MetafileBrush>(index))
        m_canvas.setBrush(*brush);
    else if (const auto* font = get<MetafileFont>(index))
        m_canvas.setFont(*font);
}

}
