// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>

class QIODevice;

namespace pictures {

// The table of contents of an .ico or .cur file. An icon usually carries the same picture at
// several sizes and colour depths; Movelle wants the best one, which Qt's reader does not pick
// (it reads the first). The directory's own width/height bytes top out at 256 and a cursor's
// directory has no depth at all, so each entry's image header is consulted too.
class IconDirectory {
public:
    struct Entry {
        int index = -1;
        QSize size;
        int bitsPerPixel = 0;
    };

    // Reads the directory from the start of the device; leaves the device at its start again.
    static IconDirectory read(QIODevice* device);

    bool isValid() const { return m_best.index >= 0; }
    // Largest area first, then deepest colour; the earlier entry wins a tie.
    Entry best() const { return m_best; }
    int count() const { return m_count; }

private:
    Entry m_best;
    int m_count = 0;
};

}
