// SPDX-License-Identifier: MIT
#include "forms/qt/controls/NonVisualBinding.h"

namespace forms::qt {

NonVisualBinding::NonVisualBinding()
    : ControlBinding(false)
{
}

}
