// SPDX-License-Identifier: MIT
#pragma once

#include <span>

namespace movelle::resources {

// Every picture compiled into movelle_resources, as ":/..." paths
// (":/icons/movelle.svg", ":/toolbar/play.svg", ":/pictures/ship.png", ...).
// Linking movelle_resources is all it takes to open them: no init call is needed.
std::span<const char *const> allPaths();

} // namespace movelle::resources
