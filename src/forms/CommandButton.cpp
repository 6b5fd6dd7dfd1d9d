// SPDX-License-Identifier: MIT
#include "forms/CommandButton.h"

#include "forms/Application.h"

namespace forms {

void CommandButton::click()
{
    if (!acceptsInput() || !onClick)
        return;
    application().dispatch(onClick);
}

}
