// SPDX-License-Identifier: MIT
#include "export/ExportCommand.h"
#include "import/ImportCommand.h"
#include "forms/Progress.h"
#include "forms/qt/QtClock.h"
#include "forms/qt/QtPictureDecoder.h"
#include "forms/qt/QtWindowSystem.h"
#include "pictures/Limits.h"
#include "pictures/PictureStore.h"
#include "shell/Movelle.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImageReader>
#include <QLoggingCategory>

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* usage = R"(Usage: movelle [ANIMATION.ani]
       movelle export ANIMATION.ani OUTPUT [options]
       movelle import INPUT OUTPUT.ani [options]

Makes and plays frame-by-frame picture animations. Started without arguments it opens the login;
with an animation file, the file is opened once the password has been accepted.

Commands and options:
  export          writes an animation as GIF, WebP, MP4, WebM or PNG pictures
                  (movelle export --help tells more)
  import          makes an animation from an animated GIF or WebP, a video or numbered
                  pictures (movelle import --help tells more)
  -h, --help      this text
  -v, --version   the program's version
)";

// The settings that hold for the whole process, made here and nowhere else.
void applyProcessSettings()
{
    // Qt's readers refuse pictures over their own allocation limit (256 MiB); raise it to our
    // bound, so that Qt refuses exactly what our readers refuse, and not a legitimate 8000 x 8000
    // frame.
    QImageReader::setAllocationLimit(int(pictures::Limits {}.maxBytes / (1024 * 1024)));
    // FFmpeg's libraries tell standard error what they chose unless quietened; an export's own
    // progress and messages are what the user asked for.
    av_log_set_level(AV_LOG_ERROR);
}

// `movelle export ...` and `movelle import ...`: no window, so the offscreen platform serves
// whatever the session has (or lacks); Qt is only there to draw and write pictures.
int runCommand(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the program name: the export's own arguments are not Qt's to interpret.
    int qtArgc = 1;
    // Qt's notes about the session (no runtime directory, no fonts configured) mean nothing to an
    // export; its messages and progress are the only text on standard error.
    QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
    QGuiApplication qtApplication(qtArgc, argv);
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (std::string(argv[1]) == "import")
        return importer::ImportCommand::run(arguments, stdout, stderr);
    return exporter::ExportCommand::run(arguments, stdout, stderr);
}

}

int main(int argc, char* argv[])
{
    applyProcessSettings();
    if (argc > 1) {
        const std::string command = argv[1];
        if (command == "export" || command == "import")
            return runCommand(argc, argv);
        if (command == "--help" || command == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (command == "--version" || command == "-v") {
            std::puts("Movelle 1.0.0");
            return 0;
        }
    }

    QApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movelle"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setDesktopFileName(QStringLiteral("movelle"));
    // Windows stay alive hidden; the program ends on Exit, Escape or closing the main window.
    QApplication::setQuitOnLastWindowClosed(false);
    // The windows are laid out in twips for a small 8-point sans-serif face.
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                       QStringLiteral("Arial"), QStringLiteral("DejaVu Sans") });
    font.setPointSize(8);
    QApplication::setFont(font);

    // Qt has taken its own options (-platform, -style, ...); what is left is at most one file.
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0].startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr, "movelle: unexpected argument %s\n%s", qPrintable(arguments.last()), usage);
        return 2;
    }

    forms::qt::QtWindowSystem windowSystem;
    forms::qt::QtClock clock;
    // Every picture the program reads; it ends, with its decode-ahead workers, before main returns.
    pictures::PictureStore store;
    forms::qt::QtPictureDecoder decoder(store);
    movelle::Movelle app(windowSystem, clock, decoder);
    app.setExporter([](const std::vector<std::string>& exportArguments, forms::Progress& progress) {
        return exporter::ExportCommand::exportForWindow(exportArguments, progress.cancelFlag(), [&progress](int done, int total) {
            progress.setTotal(total);
            progress.setDone(done);
        });
    });
    if (arguments.isEmpty()) {
        app.start();
    } else {
        // Absolute now: the Open dialog moves the current directory when it is created.
        app.start(QDir::cleanPath(QFileInfo(arguments[0]).absoluteFilePath()).toStdString());
    }
    if (app.ended())
        return 0;
    return QApplication::exec();
}
