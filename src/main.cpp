// SPDX-License-Identifier: MIT
#include "export/ExportCommand.h"
#include "import/ImportCommand.h"
#include "import/WindowImporter.h"
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

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
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

// Qt's own options, which QApplication takes off the command line (with one dash or two), and
// whether each takes the next argument as its value.
bool isQtOption(std::string_view argument, bool* takesValue)
{
    static constexpr std::array<std::string_view, 18> withValue {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger", "qwindowgeometry",
        "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display", "geometry", "title",
        "name", "visual", "dialogs", "fontengine",
    };
    static constexpr std::array<std::string_view, 5> flags { "reverse", "widgetcount", "nograb", "dograb", "sync" };
    if (argument.starts_with("--"))
        argument.remove_prefix(2);
    else if (argument.starts_with("-"))
        argument.remove_prefix(1);
    else
        return false;
    // "-style=fusion" carries its value itself.
    const bool carriesValue = argument.find('=') != std::string_view::npos;
    argument = argument.substr(0, argument.find('='));
    *takesValue = !carriesValue && std::find(withValue.begin(), withValue.end(), argument) != withValue.end();
    return std::find(withValue.begin(), withValue.end(), argument) != withValue.end()
        || std::find(flags.begin(), flags.end(), argument) != flags.end();
}

// The command line is read before any window system is needed, so that a mistake in it is told
// without a screen. Returns the exit status when the program ends here.
std::optional<int> readCommandLine(int argc, char* argv[])
{
    if (argc > 1) {
        const std::string_view command = argv[1];
        if (command == "--help" || command == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (command == "--version" || command == "-v") {
            std::puts("Movelle 1.0.0");
            return 0;
        }
    }
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        bool takesValue = false;
        if (isQtOption(argument, &takesValue)) {
            i += takesValue ? 1 : 0;
            continue;
        }
        if (argument.starts_with("-") || ++files > 1) {
            std::fprintf(stderr, "movelle: unexpected argument %s\n%s", argv[i], usage);
            return 2;
        }
    }
    return std::nullopt;
}

}

int main(int argc, char* argv[])
{
    applyProcessSettings();
    if (argc > 1 && (std::string_view(argv[1]) == "export" || std::string_view(argv[1]) == "import"))
        return runCommand(argc, argv);
    if (const std::optional<int> status = readCommandLine(argc, argv))
        return *status;

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

    // Qt has taken its own options (-platform, -style, ...); what is left is at most one file, as
    // checked above.
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
    // A dropped animated GIF or WebP or a video imports through the engine of `movelle import`.
    importer::WindowImporter windowImporter;
    app.setImporter(&windowImporter);
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
