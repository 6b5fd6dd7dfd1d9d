// SPDX-License-Identifier: MIT
#include "anifile/AniWriter.h"

#include "anifile/AniReader.h"
#include "anifile/FileNames.h"
#include "TempDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace anifile {
namespace {

using test::giveToPlainUser;
using testing_support::readBytes;
using test::runAsPlainUser;
using testing_support::TempDir;
using testing_support::writeBytes;

struct EncodeCase
{
    const char* label;
    AniContent content;
    std::string bytes;
};

// Keeps the listed test names readable instead of a hex dump of the case.
void PrintTo(const EncodeCase& c, std::ostream* out)
{
    *out << c.label;
}

class AniWriterEncodeTest : public ::testing::TestWithParam<EncodeCase>
{
};

TEST_P(AniWriterEncodeTest, WritesExactBytes)
{
    EXPECT_EQ(AniWriter::encode(GetParam().content), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AniWriterEncodeTest,
    ::testing::Values(
        EncodeCase{"EmptyMiddleFrame",
                   {"3", "100", {"/p/a.bmp", "", "/p/c.bmp"}},
                   "3\r\n100\r\n/p/a.bmp\r\n\r\n/p/c.bmp\r\n"},
        EncodeCase{"EmptyCount", {"", "100", {}}, "\r\n100\r\n"},
        EncodeCase{"FractionalCount", {"2.5", "50", {"/p/a.bmp", "/p/b.bmp"}},
                   "2.5\r\n50\r\n/p/a.bmp\r\n/p/b.bmp\r\n"},
        // What was typed is written back untouched, blanks and all.
        EncodeCase{"TextAsTyped", {" 3", "1e2 ", {" lead.bmp", "tail.bmp "}},
                   " 3\r\n1e2 \r\n lead.bmp\r\ntail.bmp \r\n"},
        // A quote that does not start the value cannot confuse the reader, so it stays plain.
        EncodeCase{"InnerQuoteStaysPlain", {"1", "100", {"/p/a\"b.bmp"}},
                   "1\r\n100\r\n/p/a\"b.bmp\r\n"},
        EncodeCase{"CommaIsQuoted", {"1,5", "100", {"a,b.bmp"}},
                   "\"1,5\"\r\n100\r\n\"a,b.bmp\"\r\n"},
        EncodeCase{"LeadingQuoteIsDoubled", {"1", "100", {"\"q.bmp", "\"a,\"\"b\""}},
                   "1\r\n100\r\n\"\"\"q.bmp\"\r\n\"\"\"a,\"\"\"\"b\"\"\"\r\n"},
        EncodeCase{"LineBreakIsQuoted", {"1", "100", {"a\nb\rc"}},
                   "1\r\n100\r\n\"a\nb\rc\"\r\n"},
        EncodeCase{"ByteOrderMarkIsQuoted", {"\xEF\xBB\xBF" "1", "100", {}},
                   "\"\xEF\xBB\xBF" "1\"\r\n100\r\n"}),
    [](const ::testing::TestParamInfo<EncodeCase>& info) { return info.param.label; });

const AniContent sample{"2", "100", {"/p/new1.bmp", "/p/new2.bmp"}};
const std::string oldBytes = "1\r\n250\r\n/p/old.bmp\r\n";

class AniWriterSaveTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.valid()); }

    TempDir m_dir;
};

TEST_F(AniWriterSaveTest, CreatesOrReplacesFileWithFittingMode)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const auto mode = [](const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_mode & 07777;
    };

    // A new file gets what the umask leaves of 0666, like any file the user creates.
    const std::string path = saveFileName(m_dir.str(), "anim");
    ASSERT_TRUE(AniWriter::save(path, AniContent{"1", "250", {"/p/old.bmp"}}));
    EXPECT_EQ(readBytes(path), oldBytes);
    EXPECT_EQ(mode(path), 0666 & ~mask);

    // A replaced file keeps the mode the user gave it.
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(AniWriter::save(path, sample));
    EXPECT_EQ(readBytes(path), AniWriter::encode(sample));
    EXPECT_EQ(mode(path), 0640u);
    EXPECT_EQ(m_dir.entries(), std::vector<std::string>{"anim.ani"});
}

// Failures that even root cannot get past, so they also run in CI.
TEST_F(AniWriterSaveTest, UnwritableLocationsFailCleanly)
{
    writeBytes(m_dir.file("plain"), oldBytes);
    std::filesystem::create_directory(m_dir.file("busy.ani"));
    writeBytes(m_dir.file("busy.ani/inside"), oldBytes);

    const struct
    {
        std::string path;
        const char* cause;
        Error::Kind kind = Error::Kind::Io;
    } cases[] = {
        {m_dir.file("plain/anim.ani"), "Not a directory"},
        {m_dir.file("missing/anim.ani"), "No such file or directory"},
        // The temporary file is created here, so only the rename fails and it must be removed.
        {m_dir.file("busy.ani"), "Is a directory"},
        // "*" is what is left of the dialog's initial "*.ani" filter once the extension is added back.
        {saveFileName(m_dir.str(), "*"), "a file name cannot contain * or ?", Error::Kind::InvalidName},
        {saveFileName(m_dir.str(), "*.ani"), "a file name cannot contain * or ?", Error::Kind::InvalidName},
        {saveFileName(m_dir.str(), "anim?"), "a file name cannot contain * or ?", Error::Kind::InvalidName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Result<void> result = AniWriter::save(c.path, sample);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), c.kind);
        EXPECT_EQ(result.error().message(), "cannot write " + c.path + ": " + c.cause);
    }
    EXPECT_EQ(m_dir.entries(), (std::vector<std::string>{"busy.ani", "plain"}));
    EXPECT_EQ(readBytes(m_dir.file("plain")), oldBytes);
    EXPECT_EQ(readBytes(m_dir.file("busy.ani/inside")), oldBytes);
}

// Saves as a plain user, so that permissions count for root too; "" when the save succeeded.
// Under a file size limit, when one is given, as a write stops half way on a full disk.
std::string saveAsPlainUser(const std::string& path, const AniContent& content, rlim_t sizeLimit = RLIM_INFINITY)
{
    return runAsPlainUser([&] {
        if (sizeLimit != RLIM_INFINITY) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit tight {};
            ::getrlimit(RLIMIT_FSIZE, &tight);
            tight.rlim_cur = sizeLimit;
            ::setrlimit(RLIMIT_FSIZE, &tight);
        }
        const Result<void> result = AniWriter::save(path, content);
        return result ? std::string() : result.error().message();
    });
}

TEST_F(AniWriterSaveTest, ReadOnlyFilesAndDirectories)
{
    const std::string writable = m_dir.file("anim.ani");
    const std::string readOnly = m_dir.file("locked.ani");
    writeBytes(writable, oldBytes);
    writeBytes(readOnly, oldBytes);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    for (const std::string& path : {m_dir.str(), writable, readOnly})
        giveToPlainUser(path);

    // A file that is not writable is not replaced, though its directory would allow it.
    EXPECT_EQ(saveAsPlainUser(readOnly, sample), "cannot write " + readOnly + ": Permission denied");
    EXPECT_EQ(readBytes(readOnly), oldBytes);

    // In a directory that takes no new files, a writable file is written where it is.
    ASSERT_EQ(::chmod(m_dir.str().c_str(), 0555), 0);
    EXPECT_EQ(saveAsPlainUser(writable, sample), "");
    EXPECT_EQ(readBytes(writable), AniWriter::encode(sample));

    // A file that is not writable, or a new file, cannot be written at all.
    EXPECT_EQ(saveAsPlainUser(readOnly, sample), "cannot write " + readOnly + ": Permission denied");
    EXPECT_EQ(readBytes(readOnly), oldBytes);
    const std::string fresh = m_dir.file("new.ani");
    EXPECT_EQ(saveAsPlainUser(fresh, sample), "cannot write " + fresh + ": Permission denied");

    EXPECT_EQ(m_dir.entries(), (std::vector<std::string>{"anim.ani", "locked.ani"}));
}

// A write that stops half way leaves the old file as it was: replaced through a temporary file
// beside it, and written in place in a directory that takes no new files.
TEST_F(AniWriterSaveTest, AFailedWriteLeavesTheOldFileAsItWas)
{
    AniContent large = sample;
    large.frames.assign(200, "/p/frame.bmp");
    const std::string path = m_dir.file("anim.ani");
    writeBytes(path, oldBytes);
    giveToPlainUser(path);
    giveToPlainUser(m_dir.str());
    for (const mode_t directoryMode : {0755, 0555}) {
        SCOPED_TRACE(directoryMode);
        ASSERT_EQ(::chmod(m_dir.str().c_str(), directoryMode), 0);
        EXPECT_EQ(saveAsPlainUser(path, large, 64), "cannot write " + path + ": File too large");
        EXPECT_EQ(readBytes(path), oldBytes);
        EXPECT_EQ(m_dir.entries(), std::vector<std::string>{"anim.ani"});
    }
}

TEST_F(AniWriterSaveTest, SymbolicLinksAreFollowedOrRefused)
{
    // A chain of links ends at the real file, which gets the content; the links stay links.
    const std::string real = m_dir.file("real.ani");
    writeBytes(real, oldBytes);
    ASSERT_EQ(::symlink("real.ani", m_dir.file("first.ani").c_str()), 0);
    ASSERT_EQ(::symlink(m_dir.file("first.ani").c_str(), m_dir.file("second.ani").c_str()), 0);
    ASSERT_TRUE(AniWriter::save(m_dir.file("second.ani"), sample));
    EXPECT_EQ(readBytes(real), AniWriter::encode(sample));
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir.file("first.ani")));
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir.file("second.ani")));

    // A link to nothing, or round in a loop, is not replaced by a plain file.
    const std::string dangling = m_dir.file("dangling.ani");
    ASSERT_EQ(::symlink("gone.ani", dangling.c_str()), 0);
    const std::string loop = m_dir.file("loop.ani");
    ASSERT_EQ(::symlink("loop2.ani", loop.c_str()), 0);
    ASSERT_EQ(::symlink("loop.ani", m_dir.file("loop2.ani").c_str()), 0);

    const Result<void> toNothing = AniWriter::save(dangling, sample);
    ASSERT_FALSE(toNothing);
    EXPECT_EQ(toNothing.error().message(),
              "cannot write " + dangling + ": it is a symbolic link to gone.ani, which does not exist; nothing was written");
    const Result<void> circle = AniWriter::save(loop, sample);
    ASSERT_FALSE(circle);
    EXPECT_EQ(circle.error().message(),
              "cannot write " + loop + ": it is a symbolic link that leads round in a loop; nothing was written");

    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_TRUE(std::filesystem::is_symlink(loop));
    EXPECT_EQ(m_dir.entries(), (std::vector<std::string>{"dangling.ani", "first.ani", "loop.ani", "loop2.ani", "real.ani",
                                                 "second.ani"}));
}

TEST_F(AniWriterSaveTest, HardLinksKeepSharingTheFile)
{
    const std::string path = m_dir.file("anim.ani");
    const std::string other = m_dir.file("other-name.ani");
    writeBytes(path, oldBytes);
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    ASSERT_TRUE(AniWriter::save(path, sample));

    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(readBytes(other), AniWriter::encode(sample));
    // A shorter content leaves nothing of the longer old one behind.
    ASSERT_TRUE(AniWriter::save(other, AniContent{"", "1", {}}));
    EXPECT_EQ(readBytes(path), "\r\n1\r\n");
    EXPECT_EQ(m_dir.entries().size(), 2u);
}

// On a nearly full disk, however little room is left, a save of a hard-linked file either writes
// the whole new animation or leaves the file untouched and says it could not write it; both names
// always show the same content.
TEST_F(AniWriterSaveTest, AHardLinkedFileOnAFullDiskIsLeftOldOrWhollyNew)
{
    const std::string path = m_dir.file("anim.ani");
    AniContent large = sample;
    large.frames.assign(1000, "/p/frame.bmp");   // four pages
    const std::string newBytes = AniWriter::encode(large);
    constexpr off_t page = 4096;

    const std::string report = test::runOnSmallDisk(m_dir.str(), 16 * page, [&] {
        std::string lines;
        writeBytes(path, oldBytes);
        ::link(path.c_str(), m_dir.file("other.ani").c_str());
        for (off_t freePages = 0; freePages <= 6; ++freePages) {
            writeBytes(path, oldBytes);
            // Fills the disk, then gives back as many pages as this round leaves free.
            const int fd = ::open(m_dir.file("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            while (::write(fd, std::string(page, 'x').data(), page) == page) { }
            ::ftruncate(fd, std::max<off_t>(0, ::lseek(fd, 0, SEEK_END) - freePages * page));
            ::close(fd);

            const Result<void> result = AniWriter::save(path, large);
            const std::string now = readBytes(path);
            lines += (result ? "saved" : result.error().message()) + ", "
                + (now == newBytes ? "new" : now == oldBytes ? "old" : std::to_string(now.size()) + " bytes mixed")
                + (readBytes(m_dir.file("other.ani")) == now ? "" : ", the other name differs")
                + (m_dir.entries().size() == 3 ? "" : ", leftovers") + "\n";
        }
        return lines;
    });
    if (report.starts_with(test::cannotMount)) {
        ASSERT_NE(::geteuid(), 0u) << report;
        GTEST_SKIP() << "no small disk to fill: " << report;
    }
    const std::string saved = "saved, new\n";
    const std::string refused = "cannot write " + path + ": No space left on device, old\n";
    // Refused while the room is too small, saved from where it is large enough.
    std::size_t at = 0;
    int refusals = 0;
    int saves = 0;
    for (; report.compare(at, refused.size(), refused) == 0; at += refused.size())
        ++refusals;
    for (; report.compare(at, saved.size(), saved) == 0; at += saved.size())
        ++saves;
    EXPECT_TRUE(refusals > 0 && saves > 0 && at == report.size()) << report;
}

TEST_F(AniWriterSaveTest, TemporaryFilesOfKilledSavesAreRemoved)
{
    // A process number that no process has any more: a child that has ended and been reaped.
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string dead = ".movelle-save-" + std::to_string(gone) + "-abcdefghij";
    const std::string live = ".movelle-save-" + std::to_string(::getppid()) + "-abcdefghij";
    const std::string locked = ".movelle-save-" + std::to_string(gone) + "-locked0000";
    const std::string others = ".movelle-save-" + std::to_string(gone) + "-otheruser0";
    std::vector<std::string> foreign{".movelle-save-notes", ".movelle-save--x", ".movelle-save-12x-y",
                                     "movelle-save-" + std::to_string(gone) + "-abcdefghij",
                                     ".movelle-save-" + std::to_string(gone) + "-abcdefghij.ani",
                                     ".movelle-save-" + std::to_string(gone) + "-abc",
                                     ".movelle-save-0" + std::to_string(gone) + "-abcdefghij",
                                     ".movelle-save-999999999-abcdefghij"};
    for (const std::string& name : {dead, live, locked, others})
        writeBytes(m_dir.file(name), oldBytes);
    for (const std::string& name : foreign)
        writeBytes(m_dir.file(name), oldBytes);
    // Another user's file in a shared directory is theirs to remove; a test run by a plain user
    // cannot give a file away and sees it go like its own.
    giveToPlainUser(m_dir.file(others));
    if (::geteuid() == 0)
        foreign.push_back(others);
    // A save still running somewhere holds its file's lock.
    const int holder = ::open(m_dir.file(locked).c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    ASSERT_TRUE(AniWriter::save(m_dir.file("anim.ani"), sample));
    ::close(holder);

    std::vector<std::string> expected{"anim.ani", live, locked};
    expected.insert(expected.end(), foreign.begin(), foreign.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(m_dir.entries(), expected);
}

TEST_F(AniWriterSaveTest, ValuesTheReaderCannotGiveBackAreRefused)
{
    const std::string path = m_dir.file("anim.ani");
    writeBytes(path, oldBytes);
    const std::size_t limit = AniReader::maxLineLength;

    // The longest value the reader takes, plain and quoted, and one byte more.
    const std::string longest(limit, 'a');
    const std::string longestQuoted = std::string(limit - 4, 'a') + ",b";
    ASSERT_TRUE(AniWriter::save(path, AniContent{"1", "100", {longest}}));
    ASSERT_TRUE(AniWriter::save(path, AniContent{"1", "100", {longestQuoted}}));
    EXPECT_EQ(readBytes(path).size(), 3 + 5 + limit + 2);
    const std::string written = readBytes(path);

    const struct
    {
        AniContent content;
        const char* names;
    } cases[] = {
        {{"1", "100", {"a.bmp", longest + "a"}}, "the path of frame 2 \"aaaa"},
        {{"1", "100", {longestQuoted + "b"}}, "the path of frame 1 \"aaaa"},
        {{std::string("1\0", 2), "100", {}}, "the frame count \"1\\0\" holds a NUL byte"},
        {{"1", std::string("1\0" "00", 4), {}}, "the rate \"1\\000\" holds a NUL byte"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.names);
        const Result<void> result = AniWriter::save(path, c.content);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), Error::Kind::InvalidValue);
        EXPECT_NE(result.error().message().find("cannot write " + path + ": " + c.names), std::string::npos)
            << result.error().message();
        // The message quotes a short excerpt, never the whole value.
        EXPECT_LT(result.error().message().size(), path.size() + 200);
    }
    EXPECT_EQ(readBytes(path), written);
}

}
}
