// SPDX-License-Identifier: MIT
#include "forms/MenuItem.h"

#include "forms/Application.h"

namespace forms {

void MenuItem::click()
{
    if (!acceptsInput() || m_separator || !onClick)
        return;
    application().dispatch(onClick);
}

}
