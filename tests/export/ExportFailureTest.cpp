// SPDX-License-Identifier: MIT
#include "ExportTesting.h"
#include "Headless.h"

#include "export/ExportOptions.h"
#include "export/Progress.h"
#include "forms/Error.h"
#include "forms/qt/QtPictureDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using export_testing::aniText;
using export_testing::exportAnimation;
using export_testing::readAll;
using export_testing::runProgram;
using testing_support::entriesOf;
using testing_support::mentions;
using testing_support::readBytes;
using testing_support::TempDir;

class ExportFailure : public ::testing::Test {
protected:
    ExportFailure()
    {
        red = writePicture(dir, "red.png", 8, 6, 0xff0000);
        good = dir.writeFile("good.ani", aniText(2, "100", { red, red }));
        before = dir.entries();
    }

    // Nothing new in the directory: no output, no temporary file or directory.
    void expectNothingWritten() { EXPECT_EQ(dir.entries(), before); }

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
        // Switches take no value, however it is written.
        { good, out + ".gif", "--quiet=1" },
        { good, out + ".gif", "-q=1" },
        { good, out + ".gif", "--dither=yes" },
        { "--help=1" },
        // Echoed arguments are short excerpts, however long the argument.
        { good, out + ".gif", "--scale", std::string(100000, '9') },
        { good, out + ".gif", "--" + std::string(100000, 'x') },
        { good, out + std::string(100000, 'y') + ".txt" },
        { good, out + ".gif", "extra\n" + std::string(100000, 'z') },
    };
    for (const auto& arguments : cases) {
        std::string joined;
        for (const std::string& a : arguments)
            joined += a.substr(0, 60) + " ";
        SCOPED_TRACE(joined);
        const export_testing::Run run = exportAnimation(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("movelle export --help"), std::string::npos) << run.err;
        EXPECT_LT(run.err.size(), 400u) << run.err.substr(0, 400);
        if (joined.find("=") != std::string::npos && joined.find("--quality") == std::string::npos) {
            EXPECT_NE(run.err.find("takes no value"), std::string::npos) << run.err;
        }
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
                                ".gif", ".webp", ".mp4", ".webm", "%04d", "Exit status", "at least 20 ms",
                                "rounded up", "at most 16", "1 to 240" })
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
        // A name of 100,000 characters is echoed as a short excerpt.
        { std::string(100000, 'a') + ".ani", "", { "aaa…aaa" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string ani = c.text.empty() ? dir.str() + "/" + c.name : dir.writeFile(c.name, c.text);
        before = dir.entries();
        for (const char* output : { "/out.gif", "/out.webp", "/out.mp4", "/out.webm", "/seq/", "/p%02d.png" }) {
            SCOPED_TRACE(output);
            const export_testing::Run run = exportAnimation({ ani, dir.str() + output, "-q" });
            EXPECT_EQ(run.status, 1);
            EXPECT_TRUE(mentions(run.err, c.facts));
            EXPECT_LT(run.err.size(), 2000u);
            expectNothingWritten();
        }
    }
}

TEST_F(ExportFailure, APictureDamagedAfterItsHeaderStopsTheExportAtItsFrame)
{
    // A PNG cut short: its header gives the size, its pixels are missing, so the export finds out
    // only when the frame comes.
    const std::string cut = dir.writeFile("cut.png", readBytes(red).substr(0, 40));
    const std::string ani = dir.writeFile("cut.ani", aniText(3, "100", { red, red, cut }));
    before = dir.entries();
    for (const char* output : { "/out.gif", "/out.webp", "/out.mp4", "/seq/" }) {
        SCOPED_TRACE(output);
        const export_testing::Run run = exportAnimation({ ani, dir.str() + output, "-q" });
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(mentions(run.err, { "Frame 3", "cannot read " + cut }));
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
        before = dir.entries();
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
    EXPECT_EQ(readBytes(output), "older");

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

TEST_F(ExportFailure, ASequenceFolderIsLeftAsItWasUnlessEveryFrameIsInPlace)
{
    // An older export left frames 1, 2 and 9; a folder stands where frame 3 goes.
    const std::string three = dir.writeFile("three.ani", aniText(3, "100", { red, red, red }));
    std::filesystem::create_directories(dir.str() + "/seq/frame0003.png");
    const std::string one = dir.writeFile("seq/frame0001.png", "older one");
    const std::string two = dir.writeFile("seq/frame0002.png", "older two");
    const std::string nine = dir.writeFile("seq/frame0009.png", "older nine");
    before = dir.entries();
    const std::vector<std::string> inside = entriesOf(dir.str() + "/seq");

    const export_testing::Run run = exportAnimation({ three, dir.str() + "/seq/", "-q" });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(mentions(run.err, { dir.str() + "/seq/frame0003.png", "folder" }));
    EXPECT_EQ(run.err.find(".movelle-export"), std::string::npos) << run.err;
    expectNothingWritten();
    EXPECT_EQ(entriesOf(dir.str() + "/seq"), inside);
    EXPECT_EQ(readBytes(one), "older one");
    EXPECT_EQ(readBytes(two), "older two");
    EXPECT_EQ(readBytes(nine), "older nine");
}

TEST_F(ExportFailure, TheAnimationAndItsPicturesAreNeverOverwritten)
{
    // Frame 1's picture is walk01.gif (PNG bytes, which the readers recognise by content); frame 2's
    // is p1.png, frame 3's q5.png.
    const std::string walk01 = dir.str() + "/walk01.gif";
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString(walk01), "png"));
    const std::string p1 = writePicture(dir, "p1.png", 4, 4, 0x00ff00);
    const std::string q5 = writePicture(dir, "q5.png", 4, 4, 0x0000ff);
    const std::string walk = dir.writeFile("walk.ani", aniText(3, "100", { walk01, p1, q5 }));
    std::filesystem::create_symlink(walk01, dir.str() + "/link.gif");
    std::filesystem::create_hard_link(walk01, dir.str() + "/hard.gif");
    std::filesystem::create_symlink(walk, dir.str() + "/walk.webp");
    before = dir.entries();
    const std::vector<std::string> kept { walk01, p1, q5, walk };
    std::vector<std::string> bytes;
    for (const std::string& file : kept)
        bytes.push_back(readBytes(file));

    const std::vector<std::pair<std::string, std::string>> cases {
        { walk01, "picture of Frame 1" },
        { dir.str() + "/./walk01.gif", "picture of Frame 1" },
        { dir.str() + "/link.gif", "picture of Frame 1" },
        { dir.str() + "/hard.gif", "picture of Frame 1" },
        { dir.str() + "/walk.webp", "the animation" },
        // Sequences: a frame it writes, and one of a longer sequence it would remove.
        { dir.str() + "/p%d.png", "picture of Frame 2" },
        { dir.str() + "/q%d.png", "picture of Frame 3" },
    };
    for (const auto& [output, fact] : cases) {
        SCOPED_TRACE(output);
        const export_testing::Run run = exportAnimation({ walk, output, "-q" });
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(fact), std::string::npos) << run.err;
        expectNothingWritten();
        for (std::size_t k = 0; k < kept.size(); ++k)
            EXPECT_EQ(readBytes(kept[k]), bytes[k]) << kept[k];
    }
}

TEST_F(ExportFailure, ALinkNamedAsTheOutputIsWrittenThrough)
{
    std::filesystem::create_directories(dir.str() + "/real");
    const std::string real = dir.writeFile("real/out.gif", "older");
    const std::string link = dir.str() + "/link.gif";
    std::filesystem::create_symlink(real, link);
    EXPECT_EQ(exportAnimation({ good, link, "-q" }).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(QImage(QString::fromStdString(real)).size(), QSize(8, 6));
    EXPECT_EQ(entriesOf(dir.str() + "/real"), std::vector<std::string> { "out.gif" });

    // A link that leads nowhere is refused, not replaced by a file.
    const std::string dangling = dir.str() + "/dangling.gif";
    std::filesystem::create_symlink(dir.str() + "/none/out.gif", dangling);
    before = dir.entries();
    const export_testing::Run run = exportAnimation({ good, dangling, "-q" });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(dangling), std::string::npos) << run.err;
    expectNothingWritten();
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
}

TEST_F(ExportFailure, AnExportRemovesOnlyItsOwnStaleTemporaries)
{
    // The number of a process that has ended.
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string gone = std::to_string(ended);
    const std::string prefix = dir.str() + "/.movelle-export-";

    const std::vector<std::string> stale { prefix + gone + "-abcdefghij", prefix + gone + "-klmnopqrst" };
    dir.writeFile(".movelle-export-" + gone + "-abcdefghij", "killed export");
    std::filesystem::create_directories(stale[1]);
    dir.writeFile(".movelle-export-" + gone + "-klmnopqrst/frame0001.png", "killed sequence");
    std::vector<std::string> kept {
        // A process that still runs, a name a process cannot have, names that are not ours.
        dir.writeFile(".movelle-export-" + std::to_string(::getpid()) + "-abcdefghij", "running"),
        dir.writeFile(".movelle-export-999999999-abcdefghij", "impossible"),
        dir.writeFile(".movelle-export-" + gone + "-x", "short"),
        dir.writeFile(".movelle-export-" + gone + "-ABCDEFGHIJ", "capitals"),
        dir.writeFile(".movelle-save-" + gone + "-abcdefghij", "a save's"),
        // Locked: an export in progress.
        dir.writeFile(".movelle-export-" + gone + "-uvwxyz0123", "locked"),
    };
    const int lock = ::open(kept.back().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    if (::geteuid() == 0) {
        // Another user's (only root can make one).
        kept.push_back(dir.writeFile(".movelle-export-" + gone + "-4567890abc", "another user's"));
        ASSERT_EQ(::chown(kept.back().c_str(), 65534, 65534), 0);
    }

    EXPECT_EQ(exportAnimation({ good, dir.str() + "/out.gif", "-q" }).status, 0);
    ::close(lock);
    for (const std::string& path : stale)
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    for (const std::string& path : kept)
        EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

TEST_F(ExportFailure, FramesBeyondTheOutputsLimitsAreRefusedNamingThePictures)
{
    // A few bytes each, declaring a canvas of 16384 x 8192.
    const std::string wide = writePicture(dir, "wide.png", 16384, 1, 0x336699);
    const std::string tall = writePicture(dir, "tall.png", 1, 8192, 0x993366);
    const std::string both = dir.writeFile("both.ani", aniText(2, "100", { wide, tall }));
    const std::string widest = dir.writeFile("wide.ani", aniText(1, "100", { wide }));
    before = dir.entries();
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> facts;
    };
    const std::vector<Case> cases {
        { { both, dir.str() + "/out.gif" }, { "16384 x 8192", wide + " (16384 x 1, Frame 1)", tall + " (1 x 8192, Frame 2)", "--size" } },
        { { both, dir.str() + "/out.webp" }, { "16384 x 8192", wide, tall, "--size" } },
        { { both, dir.str() + "/out.mp4" }, { "16384 x 8192", wide, tall, "--size" } },
        { { both, dir.str() + "/out.webm" }, { "16384 x 8192", wide, tall, "--size" } },
        { { both, dir.str() + "/seq/" }, { "16384 x 8192", wide, tall, "--size" } },
        { { both, dir.str() + "/out.gif", "--scale", "2" }, { "32768 x 16384", "--scale", "--size" } },
        // WebP stores no side beyond 16,383 pixels.
        { { widest, dir.str() + "/out.webp" }, { "16,383", wide + " (16384 x 1, Frame 1)", "--size" } },
        { { good, dir.str() + "/out.gif", "--size", "16384x16384" }, { "--size asks" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[1]);
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back("-q");
        const export_testing::Run run = exportAnimation(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(mentions(run.err, c.facts));
        expectNothingWritten();
    }
    // Within the limits they export.
    EXPECT_EQ(exportAnimation({ both, dir.str() + "/fits.gif", "--size", "320x160", "-q" }).status, 0);
    EXPECT_EQ(exportAnimation({ widest, dir.str() + "/wide.gif", "-q" }).status, 0);
}

TEST(Progress, ALogGetsALineASecondAtMostAndTheLast)
{
    using namespace std::chrono;
    steady_clock::time_point now {};
    std::FILE* log = std::tmpfile();
    exporter::Progress progress(log, false, [&now] { return now; });
    // 1,000 frames over 4 seconds: a line exactly a second after the last one is written.
    progress.start("Exporting", 1000);
    for (int done = 1; done <= 1000; ++done) {
        now += microseconds(4000);
        progress.update(done);
    }
    progress.finish();
    std::rewind(log);
    std::vector<std::string> lines;
    char line[200];
    while (std::fgets(line, sizeof line, log))
        lines.emplace_back(line);
    std::fclose(log);
    EXPECT_EQ(lines, (std::vector<std::string> { "Exporting: 0/1000, 00:00 elapsed\n", "Exporting: 250/1000, 00:01 elapsed\n",
                                                  "Exporting: 500/1000, 00:02 elapsed\n",
                                                  "Exporting: 750/1000, 00:03 elapsed\n",
                                                  "Exporting: 1000/1000, 00:04 elapsed\n" }));
}
// A disk that fills up during the export: every kind says so, naming the output and not its
// temporary, exits 1 and leaves nothing. The small disk is a tmpfs mounted in a mount namespace
// of the export's own (as root, or as a user who may make user namespaces), so that nothing
// outside sees it.
class FullDisk : public ::testing::TestWithParam<const char*> {
};

TEST_P(FullDisk, AnExportThatFillsTheDiskFailsWithTheCauseAndLeavesNothing)
{
    TempDir dir;
    // Noise does not compress: each frame takes far more than the disk's 64 KiB in every kind.
    std::vector<std::string> pictures;
    for (int k = 0; k < 3; ++k)
        pictures.push_back(writeNoise(dir, "noise" + std::to_string(k) + ".png", 256, 256, 11 + k));
    const std::string ani = dir.writeFile("noise.ani", aniText(6, "100", { pictures[0], pictures[1], pictures[2],
                                                                          pictures[0], pictures[1], pictures[2] }));
    const std::string disk = dir.str() + "/disk";
    std::filesystem::create_directory(disk);

    // sh's $0 is the mount point, the rest the export; what the disk holds at the end goes to
    // standard output.
    const std::string script = "mount -t tmpfs -o size=64k movelle-test \"$0\" || exit 99;"
                               " \"$@\"; status=$?; ls -A \"$0\"; exit $status";
    std::vector<std::string> command { "unshare", "-m", "sh", "-c", script, disk, MOVELLE_PROGRAM, "export", ani,
                                       disk + "/" + GetParam(), "-q" };
    if (::geteuid() != 0)
        command.insert(command.begin() + 1, "-r");
    const export_testing::Run run = export_testing::runCommand(command);
    if (run.status == 99 && ::geteuid() != 0)
        GTEST_SKIP() << "cannot mount a small filesystem as this user: " << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(mentions(run.err, { "No space left on device", "cannot write " + disk + "/" + GetParam() }));
    EXPECT_EQ(run.err.find(".movelle-export"), std::string::npos) << run.err;
    // What the small disk held at the end.
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, FullDisk, ::testing::Values("out.gif", "out.webp", "out.mp4", "out.webm", "seq/"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             const std::string output = info.param;
                             return output.back() == '/' ? std::string("PngSequence") : output.substr(4);
                         });

TEST(Progress, BarLineCountsTheFramesAndTheTimeLeft)
{
    using exporter::Progress;
    const std::string half = Progress::barLine("Exporting", 150, 300, 30.4);
    EXPECT_TRUE(mentions(half, { "[" + std::string(15, '#') + std::string(15, ' ') + "]", " 150/300 ",
                                 "00:30 elapsed, 00:30 left" }));
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

// Ctrl-C or a kill in the middle of an export: the program stops within a second, whatever it is
// doing (here, one frame whose encoding takes seconds), says so, and leaves nothing behind.
class StoppedProgram : public ::testing::TestWithParam<int> { };

TEST_P(StoppedProgram, EndsAtOnceLeavingNoFile)
{
    TempDir dir;
    // Stored without compression: quick to write, slow to turn into a GIF.
    const std::string picture = writeNoise(dir, "noise.png", 4096, 2048, 3, 100);
    const std::string ani = dir.writeFile("slow.ani", aniText(2, "40", { picture, picture }));
    const std::vector<std::string> before = dir.entries();

    int errPipe[2];
    ASSERT_EQ(::pipe(errPipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(errPipe[1], 2);
        ::close(errPipe[0]);
        const std::string output = dir.str() + "/slow.gif";
        ::execl(MOVELLE_PROGRAM, MOVELLE_PROGRAM, "export", ani.c_str(), output.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(errPipe[1]);
    // The temporary output appears once the pictures are checked and the frames begin.
    auto writing = [&dir] {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().filename().string().starts_with(".movelle-export-"))
                return true;
        }
        return false;
    };
    int status = 0;
    while (!writing() && ::waitpid(child, &status, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(writing()) << "the export ended before writing";
    ::kill(child, GetParam());
    const auto signalled = std::chrono::steady_clock::now();
    // A generous bound for a loaded machine; before it was kept, the stop waited for the frame.
    pid_t reaped = 0;
    while ((reaped = ::waitpid(child, &status, WNOHANG)) == 0
           && std::chrono::steady_clock::now() - signalled < std::chrono::seconds(3))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool ended = reaped == child;
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    const std::string err = readAll(errPipe[0]);
    ::close(errPipe[0]);
    ASSERT_TRUE(ended) << "still running 3 s after the signal\n" << err;
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 130) << err;
    EXPECT_NE(err.find("interrupted"), std::string::npos) << err;
    EXPECT_EQ(dir.entries(), before);
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedProgram, ::testing::Values(SIGINT, SIGTERM));

}
