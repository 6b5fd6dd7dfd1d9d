// SPDX-License-Identifier: MIT
#include "forms/MenuItem.h"

#include "forms/Application.h"

namespace forms {

std::string MenuItem::shownCaption() const
{
    std::string shown;
    for (std::size_t i = 0; i < m_caption.size(); ++i) {
        if (m_caption[i] == '&' && i + 1 < m_caption.size())
            ++i;
        shown += m_caption[i];
    }
    while (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    return shown;
}

void MenuItem::click()
{
    if (!acceptsInput() || m_separator || !onClick)
        return;
    application().dispatch(onClick);
}

}
