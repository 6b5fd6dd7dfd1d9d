// SPDX-License-Identifier: MIT
// A dropped animated GIF asks for a folder in a modal chooser, answered here with real keys through
// xdotool on a private X server. A drop is an XDND transfer between two programs, which xdotool
// cannot make: it is delivered through Qt's event API to the main window's view, shown in this
// process on that server, as Qt hands a real one over.
#include "Widgets.h"
#include "X11Session.h"

#include "import/WindowImporter.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

// On a real X server Qt opens a D-Bus connection (the accessibility bus, the input method), and
// libdbus keeps a buffer of it for the life of the process: no leak of ours. The program the
// other Xvfb tests start is given the same suppression.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

namespace {

using namespace std::chrono_literals;
using e2e::X11Session;
using testing_support::drop;
namespace fs = std::filesystem;

// What a person does in the folder chooser once it shows: `keys` in turn, each a key to press or,
// after "type:", text to type.
std::thread answerChooser(X11Session& x, std::vector<std::string> keys)
{
    return std::thread([&x, keys = std::move(keys)] {
        const std::string chooser = x.waitForWindow("^Import anim.gif into a folder$", 60s);
        if (chooser.empty())
            return;
        x.xdotool({"windowfocus", "--sync", chooser});
        for (const std::string& key : keys) {
            if (key.starts_with("type:"))
                x.type(key.substr(5));
            else
                x.key(key);
        }
    });
}

TEST(DropImport, aDroppedGifAsksForAFolderEscapeChangesNothingAndAFolderTypedImportsThere)
{
    if (X11Session::findProgram("Xvfb").empty())
        GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb): this test needs an X server of its own.";
    ASSERT_FALSE(X11Session::findProgram("xdotool").empty()) << "xdotool (Debian package xdotool) types here.";

    testing_support::TempDir tmp;
    const std::string gif = tmp.file("anim.gif");
    fs::copy_file(std::string(MOVELLE_TEST_DATA) + "/pictures/anim.gif", gif);
    fs::create_directories(tmp.path() / "out");

    X11Session x;
    ASSERT_TRUE(x.start(true)) << x.error();
    testing_support::Shown s;
    importer::WindowImporter importer;
    s.app.setImporter(&importer);
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);
    // Should the keys not reach the chooser, it is closed after a while and the test fails
    // rather than waiting for ever.
    QTimer rescue;
    rescue.setInterval(90000);
    QObject::connect(&rescue, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    rescue.start();

    // Escape in the chooser: nothing imported, nothing changed.
    std::thread escape = answerChooser(x, {"Escape"});
    EXPECT_TRUE(drop(view, {gif}, QPoint(20, 200)));
    escape.join();
    EXPECT_FALSE(f.framesBuilt());
    EXPECT_TRUE(fs::is_empty(tmp.path() / "out"));

    // The folder typed into the chooser's name box and Enter: the frames are written there and
    // fill a new animation.
    std::thread choose = answerChooser(x, {"ctrl+a", "type:" + tmp.file("out"), "Return"});
    EXPECT_TRUE(drop(view, {gif}, QPoint(20, 200)));
    choose.join();
    ASSERT_EQ(f.frameCount(), 2);
    EXPECT_EQ(f.Text1.text(), "2");
    for (int i = 0; i < 2; ++i) {
        const std::string frame
            = (tmp.path() / "out" / "anim-frames" / ("frame000" + std::to_string(i + 1) + ".png")).string();
        EXPECT_TRUE(fs::is_regular_file(frame)) << frame;
        EXPECT_EQ(f.x(i).caption(), frame);
        EXPECT_EQ(f.Image1(i).picture().width(), 64);
    }
    EXPECT_TRUE(f.Command5.enabled());
}

}
