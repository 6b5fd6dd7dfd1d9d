// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

#include <optional>
#include <string>
#include <vector>

namespace forms {
class Application;
}

namespace movelle {

// Several picture files that go into frames together (a multi-selection in Load Frame, files
// dropped on the main window): all are read before any frame changes.
class PictureFiles {
public:
    // Reads every file away from the user-interface thread, behind the progress dialog with
    // Cancel that an open shows. Empty when the user cancelled. When any file cannot be read,
    // throws a forms::Error whose message starts with `refusal` ("The pictures were not loaded")
    // and names every file that failed (the first few in the message, all in the details).
    // Whether a file name has the extension of a picture kind this program reads, in any case
    // ("PHOTO.JPG" as "photo.jpg"): the one list a dropped folder, a dropped file and an imported
    // folder of pictures are sorted by.
    static bool isPictureName(const std::string& name);

    static std::optional<std::vector<forms::Picture>> read(forms::Application& application,
                                                           const std::vector<std::string>& paths,
                                                           const std::string& refusal);
};

}
