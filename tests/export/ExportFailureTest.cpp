// SPDX-License-Identifier: MIT
#include "ExportTesting.h"
#include "Headless.h"

#include "export/ExportOptions.h"
#include "export/Progress.h"
#include "forms/Error.h"
#include "forms/qt/QtPictureDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using export_testing::aniText;
using export_testing::exportAnimation;
using export_testing::runProgram;
using testing_support::TempDir;

std::vector<std::string> entries(const std::string& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ExportFailure : public ::testing::Test {
protected:
    ExportFailure()
    {
        red = dir.writePicture("red.png", 8, 6, 0xff0000);
        good = dir.writeFile("good.ani", aniText(2, "100", { red, red }));
        before = entries(dir.str());
    }

    // Nothing new in the directory: no output, no temporary file or directory.
    void expectNothingWritten() { EXPECT_EQ(entries(dir.str()), before); }

    TempDir dir;
    std::string red;
    std::string good;
    std::vector<std::string> before;
};

TEST_F(ExportFailure, UnusableArgumentsAreUsageErrorsThatWriteNothing)
{
    const std::string out = dir.str() + "/out";
    const std::vector<std::vector<std::string>> cases {
        {},
        { good },
        { good, "" },
        { "", out + ".gif" },
        { good, out + ".gif", "extra" },
        { good, out + ".gif", "--bogus" },
        { good, out + ".gif", "--scale" },
        { good, out + ".gif", "--scale", "0" },
        { good, out + ".gif", "--scale", "2x" },
        { good, out + ".gif", "--size", "0x5" },
        { good, out + ".gif", "--size", "640" },
        { good, out + ".gif", "--scale", "2", "--size", "64x64" },
        { good, out + ".gif", "--background", "nocolour" },
        { good, out + ".gif", "--quality", "101" },
        { good, out + ".webp", "--quality=-1" },
        { good, out + ".gif", "--fps", "25" },
        { good, out + ".mp4", "--fps", "0.5" },
        { good, out + ".txt" },
        { good, out + ".ani" },
        { good, out + ".png" },
        { good, out + "%d%d.png" },
        { good, out + "%s.png" },
    };
    for (const auto& arguments : cases) {
        std::string joined;
        for (const std::string& a : arguments)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const export_testing::Run run = exportAnimation(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("movelle export --help"), std::string::npos) << run.err;
        expectNothingWritten();
    }
    // The boundaries themselves are accepted.
    for (const std::vector<std::string>& arguments :
         { std::vector<std::string> { good, out + ".webp", "--quality", "0", "-q" },
           std::vector<std::string> { good, out + "2.webp", "--quality=100", "-q" },
           std::vector<std::string> { good, dir.str() + "/p%d.png", "--size=1x1", "-q" } }) {
        const export_testing::Run run = exportAnimation(arguments);
        EXPECT_EQ(run.status, 0) << arguments[1] << ": " << run.err;
    }
}

TEST_F(ExportFailure, HelpNamesEveryOption)
{
    const export_testing::Run run = exportAnimation({ "--help" });
    EXPECT_EQ(run.status, 0);
    for (const char* option : { "--scale", "--size", "--background", "--fps", "--quality", "--dither", "--quiet",
                                ".gif", ".webp", ".mp4", ".webm", "%04d", "Exit status" })
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

TEST_F(ExportFailure, BadAnimationsFailNamingTheFileAndCauseAndWriteNothing)
{
    const std::string missing = dir.str() + "/gone.png";
    const std::string broken = dir.writeFile("broken.png", "not a picture at all");
    struct Case {
        std::string name;
        std::string text;
        std::vector<std::string> facts;
    };
    const std::vector<Case> cases {
        { "nofile.ani", "", { dir.str() + "/nofile.ani" } },
        { "count.ani", aniText(0, "100", {}).replace(0, 1, "x3"), { "\"x3\"", "count.ani", "not a number" } },
        { "norate.ani", aniText(1, "", { red }), { "rate is empty", "norate.ani" } },
        { "zerorate.ani", aniText(1, "0.4", { red }), { "rate 0.4", "zerorate.ani" } },
        { "hugerate.ani", aniText(1, "65536", { red }), { "65536", "hugerate.ani" } },
        { "noframes.ani", aniText(0, "100", {}), { "noframes.ani", "no frames" } },
        { "blank.ani", aniText(2, "100", { "", "" }), { "blank.ani", "no frame", "picture" } },
        { "pictures.ani", aniText(5, "100", { red, missing, broken, missing, red }),
          { "pictures.ani", "pictures of 3 frames", "Frames 2 and 4: cannot read " + missing,
            "Frame 3: cannot read " + broken } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string ani = c.text.empty() ? dir.str() + "/" + c.name : dir.writeFile(c.name, c.text);
        before = entries(dir.str());
        for (const char* output : { "/out.gif", "/out.webp", "/out.mp4", "/out.webm", "/seq/", "/p%02d.png" }) {
            SCOPED_TRACE(output);
            const export_testing::Run run = exportAnimation({ ani, dir.str() + output, "-q" });
            EXPECT_EQ(run.status, 1);
            for (const std::string& fact : c.facts)
                EXPECT_NE(run.err.find(fact), std::string::npos) << fact << " in " << run.err;
            expectNothingWritten();
        }
    }
}

TEST_F(ExportFailure, APictureDamagedAfterItsHeaderStopsTheExportAtItsFrame)
{
    // A PNG cut short: its header gives the size, its pixels are missing, so the export finds out
    // only when the frame comes.
    std::ifstream in(red, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = dir.writeFile("cut.png", bytes.substr(0, 40));
    const std::string ani = dir.writeFile("cut.ani", aniText(3, "100", { red, red, cut }));
    before = entries(dir.str());
    for (const char* output : { "/out.gif", "/out.webp", "/out.mp4", "/seq/" }) {
        SCOPED_TRACE(output);
        const export_testing::Run run = exportAnimation({ ani, dir.str() + output, "-q" });
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("Frame 3"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("cannot read " + cut), std::string::npos) << run.err;
        expectNothingWritten();
    }
}

// The generated hostile pictures (a FIFO, a scan bomb, a TIFF whose decode needs gigabytes, a
// metafile of endless drawing) go through the same checked decode as Open: what Open refuses, the
// export refuses with the same words, at once, writing nothing.
TEST_F(ExportFailure, HostilePicturesAreRefusedAsOpenRefusesThem)
{
    const std::string command = std::string("bash '" MOVELLE_HOSTILE_SCRIPT "' '") + dir.str() + "/hostile'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    forms::qt::QtPictureDecoder open;
    int refused = 0;
    for (const char* name : { "pipe.jpg", "scan-bomb.jpg", "huge-peak.tif", "render-bomb.wmf" }) {
        SCOPED_TRACE(name);
        const std::string picture = dir.str() + "/hostile/" + name;
        std::string openSays;
        try {
            open.decode(picture);
        } catch (const forms::Error& e) {
            openSays = e.what();
        }
        const std::string ani = dir.writeFile("hostile.ani", aniText(2, "100", { red, picture }));
        before = entries(dir.str());
        const export_testing::Run run = exportAnimation({ ani, dir.str() + "/out.gif", "-q" });
        if (openSays.empty()) {
            EXPECT_EQ(run.status, 0) << run.err;
            std::filesystem::remove(dir.str() + "/out.gif");
            continue;
        }
        ++refused;
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("Frame 2: " + openSays), std::string::npos) << openSays << " in " << run.err;
        expectNothingWritten();
    }
    EXPECT_GE(refused, 3);
}

TEST_F(ExportFailure, AFailedExportLeavesAnOlderOutputAsItWas)
{
    const std::string output = dir.writeFile("out.gif", "older");
    const std::string bad = dir.writeFile("bad.ani", aniText(1, "100", { dir.str() + "/gone.png" }));
    EXPECT_EQ(exportAnimation({ bad, output }).status, 1);
    std::ifstream in(output);
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "older");

    EXPECT_EQ(exportAnimation({ good, output, "-q" }).status, 0);
    EXPECT_EQ(QImage(QString::fromStdString(output)).size(), QSize(8, 6));
}

TEST_F(ExportFailure, AnOutputThatCannotBeCreatedFailsWithItsName)
{
    // The output's directory is a file.
    const export_testing::Run run = exportAnimation({ good, red + "/out.gif", "-q" });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(red + "/out.gif"), std::string::npos) << run.err;
    expectNothingWritten();
}

TEST(Progress, BarLineCountsTheFramesAndTheTimeLeft)
{
    using exporter::Progress;
    const std::string half = Progress::barLine("Exporting", 150, 300, 30.4);
    EXPECT_NE(half.find("[" + std::string(15, '#') + std::string(15, ' ') + "]"), std::string::npos) << half;
    EXPECT_NE(half.find(" 150/300 "), std::string::npos) << half;
    EXPECT_NE(half.find("00:30 elapsed, 00:30 left"), std::string::npos) << half;
    EXPECT_NE(Progress::barLine("Exporting", 1, 4, 3725).find("1:02:05 elapsed, 3:06:15 left"), std::string::npos);
    // Nothing is left to estimate before the first frame and after the last.
    EXPECT_EQ(Progress::barLine("Exporting", 0, 300, 0).find("left"), std::string::npos);
    EXPECT_EQ(Progress::barLine("Exporting", 300, 300, 60).find("left"), std::string::npos);
    EXPECT_NE(Progress::barLine("Exporting", 299, 300, 60).find("left"), std::string::npos);
}

// The program's own exit statuses, from main.
TEST(Program, ExitStatusesOfHelpVersionAndExport)
{
    const export_testing::Run version = runProgram({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Movelle 1.0.0\n");
    const export_testing::Run help = runProgram({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("movelle export"), std::string::npos);
    EXPECT_EQ(runProgram({ "export" }).status, 2);
    EXPECT_EQ(runProgram({ "export", "--help" }).status, 0);

    TempDir dir;
    const export_testing::Run missing = runProgram({ "export", dir.str() + "/none.ani", dir.str() + "/out.gif" });
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir.str() + "/none.ani"), std::string::npos) << missing.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Ctrl-C in the middle of an export: the program stops, says so, and leaves nothing behind.
TEST(Program, InterruptedExportLeavesNoFile)
{
    TempDir dir;
    const std::string a = dir.writePicture("a.png", 320, 240, 0x336699);
    const std::string b = dir.writePicture("b.png", 320, 240, 0x993366);
    std::vector<std::string> paths;
    for (int i = 0; i < 3000; ++i)
        paths.push_back(i % 2 ? a : b);
    const std::string ani = dir.writeFile("long.ani", aniText(3000, "40", paths));
    const std::vector<std::string> before = entries(dir.str());

    int errPipe[2];
    ASSERT_EQ(::pipe(errPipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(errPipe[1], 2);
        ::close(errPipe[0]);
        const std::string output = dir.str() + "/long.gif";
        ::execl(MOVELLE_PROGRAM, MOVELLE_PROGRAM, "export", ani.c_str(), output.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(errPipe[1]);
    // The progress lines come as the export goes; the interrupt follows the start of the frames.
    std::string err;
    char c = 0;
    bool signalled = false;
    while (::read(errPipe[0], &c, 1) == 1) {
        err.push_back(c);
        if (!signalled && err.find("Exporting: 0/3000") != std::string::npos) {
            ::kill(child, SIGINT);
            signalled = true;
        }
    }
    ::close(errPipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(signalled) << err;
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 130) << err;
    EXPECT_NE(err.find("interrupted"), std::string::npos) << err;
    EXPECT_EQ(entries(dir.str()), before);
}

}
