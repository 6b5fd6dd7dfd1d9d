// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace forms {
class Application;
class Progress;
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

    // `threads` decode at once (0, the default: one per core), as an open decodes.
    static std::optional<std::vector<forms::Picture>> read(forms::Application& application,
                                                           const std::vector<std::string>& paths,
                                                           const std::string& refusal, unsigned threads = 0);

    // One file's decode: its picture, or why it failed.
    struct Decoded {
        forms::Picture picture;
        std::string error;
        bool failed = false;
        // Failed only for want of memory, and how much the picture needs decoded (0: not known).
        bool outOfMemory = false;
        std::int64_t bytesNeeded = 0;
    };
    // Decodes every file on `threads` threads (0: one per core), the calling thread among them,
    // the checked decode every open uses. `framesOf[k]` is how many frames show file k: the
    // progress counts frames, as the user does. Once the user cancels, no further file is started.
    static std::vector<Decoded> decodeAll(forms::Application& application, const std::vector<std::string>& files,
                                          const std::vector<int>& framesOf, unsigned threads,
                                          forms::Progress& progress);
};

}
