// SPDX-License-Identifier: MIT
#include "ExportTesting.h"
#include "Headless.h"

#include "anifile/AniReader.h"
#include "import/ImportCommand.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using export_testing::aniText;
using export_testing::exportAnimation;
using testing_support::readBytes;
using testing_support::TempDir;

export_testing::Run importAnimation(const std::vector<std::string>& arguments)
{
    return export_testing::runInProcess(importer::ImportCommand::run, arguments);
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

TEST(ImportCommand, commonDurationIsTheMostFrequentOne)
{
    EXPECT_EQ(importer::ImportCommand::commonDuration({ 40, 50, 40, 0, 50, 40 }), 40);
    EXPECT_EQ(importer::ImportCommand::commonDuration({}), 100);
    EXPECT_EQ(importer::ImportCommand::commonDuration({ 0, 0 }), 100);
    EXPECT_EQ(importer::ImportCommand::commonDuration({ 70000 }), 65535);
}

// Three frames of three colours at 50 ms, exported by Movelle and imported back: the same count,
// rate and colours, the frames as PNG files in OUTPUT-frames/.
class ImportRoundTrip : public testing::TestWithParam<const char*> { };

TEST_P(ImportRoundTrip, givesBackTheFramesAndTheRate)
{
    const TempDir dir;
    const std::vector<QRgb> colours { 0xffff0000, 0xff00ff00, 0xff0000ff };
    std::vector<std::string> pictures;
    for (std::size_t i = 0; i < colours.size(); ++i)
        pictures.push_back(writePicture(dir, "p" + std::to_string(i) + ".png", 32, 24, colours[i] & 0xffffff));
    const std::string animation = dir.writeFile("walk.ani", aniText(3, "50", pictures));
    const std::string input = (dir.path() / (std::string("walk.") + GetParam())).string();
    ASSERT_EQ(exportAnimation({ animation, input, "--quiet" }).status, 0);

    const std::string output = (dir.path() / "back.ani").string();
    const export_testing::Run run = importAnimation({ input, output, "--quiet" });
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> frames;
    for (std::size_t i = 0; i < colours.size(); ++i)
        frames.push_back((dir.path() / "back-frames" / ("frame000" + std::to_string(i + 1) + ".png")).string());
    EXPECT_EQ(readBytes(output), aniText(3, "50", frames));
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const QImage frame(QString::fromStdString(frames[i]));
        ASSERT_EQ(frame.size(), QSize(32, 24)) << frames[i];
        EXPECT_TRUE(near(frame.pixel(16, 12), colours[i], 40)) << "frame " << i + 1 << std::hex << frame.pixel(16, 12);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ImportRoundTrip, testing::Values("gif", "webp", "mp4", "webm"));

// Pictures that are files already are named where they lie, a folder's in natural order, a
// pattern's in number order; nothing is written but the animation.
TEST(ImportCommand, namesAFoldersPicturesWhereTheyLie)
{
    const TempDir dir;
    std::filesystem::create_directory(dir.path() / "seq");
    for (const char* name : { "seq/walk10.png", "seq/walk2.png", "seq/walk1.png" })
        writePicture(dir, name, 4, 4, 0x123456);
    dir.writeFile("seq/notes.txt", "not a picture");
    const std::string seq = (dir.path() / "seq").string();
    struct Case {
        std::string input;
        std::vector<std::string> arguments;
        std::string rate;
    };
    for (const Case& c : { Case { seq, {}, "100" }, Case { seq + "/walk%d.png", { "--rate", "40" }, "40" } }) {
        const std::string output = (dir.path() / "seq.ani").string();
        std::vector<std::string> arguments { c.input, output, "--quiet" };
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const export_testing::Run run = importAnimation(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(readBytes(output), aniText(3, c.rate, { seq + "/walk1.png", seq + "/walk2.png", seq + "/walk10.png" }))
            << c.input;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "seq-frames"));
    }
}

// Every failure names its cause, exits as export does and leaves no file behind.
TEST(ImportCommand, failsWithoutLeavingAFile)
{
    const TempDir dir;
    const std::string text = dir.writeFile("notes.txt", "not an animation");
    const std::string broken = writePicture(dir, "broken.png", 4, 4, 0x123456);
    std::filesystem::resize_file(broken, 20);
    std::filesystem::create_directory(dir.path() / "empty");
    const std::string out = (dir.path() / "out.ani").string();
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    for (const Case& c : {
             Case { { text, out }, 1, "cannot read " + text + ": " },
             Case { { (dir.path() / "missing.gif").string(), out }, 1, "missing.gif: No such file" },
             Case { { (dir.path() / "empty").string(), out }, 1, "no pictures found" },
             Case { { dir.str(), out }, 1, "broken.png" },
             Case { { text, (dir.path() / "out.txt").string() }, 2, "must be an animation file" },
             Case { { text, out, "--rate", "fast" }, 2, "--rate \"fast\"" },
             Case { { text }, 2, "expected INPUT and OUTPUT.ani" },
         }) {
        const export_testing::Run run = importAnimation(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments[0];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.message << " in " << run.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.arguments[0];
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "out-frames")) << c.arguments[0];
    }
}

}
