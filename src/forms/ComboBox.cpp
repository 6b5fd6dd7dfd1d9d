// SPDX-License-Identifier: MIT
#include "forms/ComboBox.h"

#include "forms/Application.h"

namespace forms {

void ComboBox::addItem(const std::string& item)
{
    m_items.push_back(item);
    changed(Property::Items);
}

void ComboBox::edit(const std::string& text)
{
    if (!acceptsInput())
        return;
    setText(text);
    if (onChange)
        application().dispatch(onChange);
}

void ComboBox::choose(int i)
{
    if (!acceptsInput() || i < 0 || i >= static_cast<int>(m_items.size()))
        return;
    setText(m_items[static_cast<std::size_t>(i)]);
}

}
