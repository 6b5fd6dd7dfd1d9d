// SPDX-License-Identifier: MIT
#include "resources/ResourcePaths.h"

#include <array>

namespace movelle::resources {

namespace {
// Keep in step with the FILES list in CMakeLists.txt.
constexpr std::array<const char *, 14> paths = {
    ":/icons/movelle.svg",
    ":/icons/save.svg",
    ":/icons/open.svg",
    ":/icons/paint-picture.svg",
    ":/icons/c3d-document.svg",
    ":/toolbar/play.svg",
    ":/toolbar/stop.svg",
    ":/toolbar/pencils.svg",
    ":/toolbar/disk.svg",
    ":/toolbar/folder.svg",
    ":/toolbar/picture.svg",
    ":/pictures/about-background.png",
    ":/pictures/ship.png",
    ":/pictures/proginfo.png",
};
} // namespace

std::span<const char *const> allPaths()
{
    return paths;
}

} // namespace movelle::resources
