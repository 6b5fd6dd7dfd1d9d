// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// Timers and menu items: neither a widget nor drawn. The window's view shows menu items in its
// menu bar; a timer is never seen.
class NonVisualBinding final : public ControlBinding {
public:
    NonVisualBinding();
};

}
