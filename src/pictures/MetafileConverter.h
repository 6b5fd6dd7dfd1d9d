// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pictures {

// Runs the movelle-metafile helper on a metafile's bytes and returns its SVG. The helper is a
// separate process under a time and a memory limit: libwmf and emf2svg can loop forever or crash
// on damaged files, and neither may freeze or kill Movelle.
class MetafileConverter {
public:
    struct Result {
        QByteArray svg;
        // The cause, worded for "cannot read FILE: <cause>"; empty on success.
        QString error;
    };

    static constexpr int timeLimitMs = 5000;
    static constexpr qint64 memoryLimitBytes = qint64(1536) * 1024 * 1024;
    // SVG with the bitmaps of a metafile inlined as PNG stays far below this.
    static constexpr qint64 maxOutputBytes = qint64(512) * 1024 * 1024;

    // Beside the running program, or where the build put it.
    static QString helperPath();

    static Result convert(const QByteArray& metafile);
    // The same with any program in the helper's place, for trying the limits themselves.
    static Result run(const QString& program, const QStringList& arguments, const QByteArray& input,
        int timeLimitMs);
};

}
