// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QByteArrayView>
#include <QImage>
#include <QSize>

#include <vector>

namespace pictures {

// The table of contents of an .ico or .cur file. An icon usually carries the same picture at
// several sizes and colour depths; Movelle shows the best one: largest area first, then deepest
// colour, the earlier entry winning a tie. The directory's own width/height bytes top out at 256
// and a cursor's directory has no depth at all, so each entry's image header has the last word.
class IconDirectory {
public:
    struct Entry {
        int index = -1;
        QSize size;
        int bitsPerPixel = 0;
        qsizetype offset = 0;
        bool png = false;
    };

    // Entries whose image cannot be found or understood are left out; a directory without a
    // usable entry is refused.
    static Result<IconDirectory> parse(QByteArrayView file);

    const Entry& best() const { return m_entries[m_best]; }
    const std::vector<Entry>& entries() const { return m_entries; }
    // What the header claims, usable or not.
    int count() const { return m_count; }

private:
    std::vector<Entry> m_entries;
    std::size_t m_best = 0;
    int m_count = 0;
};

bool looksLikeIcon(QByteArrayView head);

// The best image of an icon or cursor: a bitmap with its AND mask, or a PNG.
Result<QImage> decodeIcon(QByteArrayView file, const Limits& limits);

}
