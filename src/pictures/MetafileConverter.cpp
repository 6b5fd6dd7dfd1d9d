// SPDX-License-Identifier: MIT
#include "pictures/MetafileConverter.h"

#include "pictures/MetafileHelperProtocol.h"
#include "pictures/ReadFailure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

#ifndef MOVELLE_METAFILE_HELPER_BUILT
#define MOVELLE_METAFILE_HELPER_BUILT ""
#endif

#if defined(__SANITIZE_ADDRESS__)
#define MOVELLE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOVELLE_ADDRESS_SANITIZER 1
#endif
#endif

namespace pictures {

namespace {

void limitChild()
{
    // Runs in the child between fork and exec: only async-signal-safe calls here.
    const rlim_t seconds = rlim_t(MetafileConverter::timeLimitMs / 1000 + 2);
    rlimit cpu { seconds, seconds + 1 };
    setrlimit(RLIMIT_CPU, &cpu);
    rlimit core { 0, 0 };
    setrlimit(RLIMIT_CORE, &core);
#ifndef MOVELLE_ADDRESS_SANITIZER
    // AddressSanitizer reserves terabytes of address space up front, so a sanitized helper would
    // not even start under this limit; sanitized builds are for finding bugs, not for users.
    rlimit memory { rlim_t(MetafileConverter::memoryLimitBytes), rlim_t(MetafileConverter::memoryLimitBytes) };
    setrlimit(RLIMIT_AS, &memory);
#endif
}

QString causeFor(int exitCode, const QByteArray& diagnostics)
{
    switch (exitCode) {
    case MetafileHelperProtocol::notAMetafile: return ReadFailure::notAPicture();
    case MetafileHelperProtocol::damaged: return ReadFailure::damaged();
    case MetafileHelperProtocol::tooLarge: {
        const QList<QByteArray> size = diagnostics.trimmed().split(' ');
        bool wide = false;
        bool high = false;
        const qint64 width = size.value(0).toLongLong(&wide);
        const qint64 height = size.value(1).toLongLong(&high);
        if (wide && high && width > 0 && height > 0)
            return ReadFailure::tooLarge(width, height);
        return QStringLiteral("the metafile is too large");
    }
    default: return QStringLiteral("the metafile reader could not convert it");
    }
}

}

QString MetafileConverter::helperPath()
{
    const QString name = QString::fromLatin1(MetafileHelperProtocol::programName);
    if (QCoreApplication::instance()) {
        const QFileInfo beside(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
        if (beside.isExecutable())
            return beside.filePath();
    }
    return QString::fromUtf8(MOVELLE_METAFILE_HELPER_BUILT);
}

MetafileConverter::Result MetafileConverter::convert(const QByteArray& metafile)
{
    return run(helperPath(), {}, metafile, timeLimitMs);
}

MetafileConverter::Result MetafileConverter::run(const QString& program, const QStringList& arguments,
    const QByteArray& input, int timeLimit)
{
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return { {}, QStringLiteral("the metafile reader (movelle-metafile) is missing") };

    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setChildProcessModifier(limitChild);
    QElapsedTimer clock;
    clock.start();
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(timeLimit))
        return { {}, QStringLiteral("the metafile reader (movelle-metafile) cannot be started") };
    process.write(input);
    process.closeWriteChannel();

    // Reading as we wait keeps the pipe flowing and lets us stop a runaway output early.
    QByteArray output;
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = timeLimit - clock.elapsed();
        if (left <= 0) {
            process.kill();
            process.waitForFinished(1000);
            return { {}, QStringLiteral("the metafile reader took too long") };
        }
        process.waitForReadyRead(int(std::min<qint64>(left, 250)));
        output += process.readAllStandardOutput();
        if (output.size() > maxOutputBytes) {
            process.kill();
            process.waitForFinished(1000);
            return { {}, QStringLiteral("the metafile is too large") };
        }
    }
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit)
        return { {}, QStringLiteral("the metafile reader stopped unexpectedly") };
    if (process.exitCode() != MetafileHelperProtocol::ok)
        return { {}, causeFor(process.exitCode(), process.readAllStandardError().left(256)) };
    if (output.isEmpty())
        return { {}, QStringLiteral("the metafile reader could not convert it") };
    return { output, {} };
}

}
