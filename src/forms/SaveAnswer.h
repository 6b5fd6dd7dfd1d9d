// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace forms {

// The user's answer when work that has not been saved is about to be discarded.
enum class SaveAnswer : std::uint8_t {
    Save,       // save first, then go on
    DontSave,   // go on and lose the changes
    Cancel,     // do nothing
};

}
