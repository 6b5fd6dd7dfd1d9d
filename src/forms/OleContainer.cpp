// SPDX-License-Identifier: MIT
#include "forms/OleContainer.h"

#include "forms/Application.h"

namespace forms {

void OleContainer::activate()
{
    if (!acceptsInput() || !onActivate)
        return;
    application().dispatch(onActivate);
}

}
