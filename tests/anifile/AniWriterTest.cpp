// SPDX-License-Identifier: MIT
#include "anifile/AniWriter.h"

#include "anifile/FileNames.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace anifile {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

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
    const std::string path = saveFileName(m_dir.path(), "anim");
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

TEST_F(AniWriterSaveTest, SavingThroughSymlinkUpdatesItsTarget)
{
    const std::string real = m_dir.file("real.ani");
    const std::string link = m_dir.file("link.ani");
    writeBytes(real, oldBytes);
    ASSERT_EQ(::symlink("real.ani", link.c_str()), 0);

    ASSERT_TRUE(AniWriter::save(link, sample));

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real), AniWriter::encode(sample));
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
    } cases[] = {
        {m_dir.file("plain/anim.ani"), "Not a directory"},
        {m_dir.file("missing/anim.ani"), "No such file or directory"},
        // The temporary file is created here, so only the rename fails and it must be removed.
        {m_dir.file("busy.ani"), "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Result<void> result = AniWriter::save(c.path, sample);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), Error::Kind::Io);
        EXPECT_EQ(result.error().message(), "cannot write " + c.path + ": " + c.cause);
    }
    auto entries = m_dir.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"busy.ani", "plain"}));
    EXPECT_EQ(readBytes(m_dir.file("plain")), oldBytes);
    EXPECT_EQ(readBytes(m_dir.file("busy.ani/inside")), oldBytes);
}

// A write that stops half way, as on a full disk. The file size limit applies to root as well.
TEST_F(AniWriterSaveTest, FailedWriteLeavesOldFileUntouched)
{
    const std::string path = m_dir.file("anim.ani");
    writeBytes(path, oldBytes);
    AniContent large = sample;
    large.frames.assign(200, "/p/frame.bmp");

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const Result<void> result = AniWriter::save(path, large);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "cannot write " + path + ": File too large");
    EXPECT_EQ(readBytes(path), oldBytes);
    EXPECT_EQ(m_dir.entries(), std::vector<std::string>{"anim.ani"});
}

TEST_F(AniWriterSaveTest, ReadOnlyDirectoryLeavesOldFileUntouched)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores directory permissions";
    const std::string path = m_dir.file("anim.ani");
    writeBytes(path, oldBytes);
    ASSERT_EQ(::chmod(m_dir.path().c_str(), 0555), 0);

    const Result<void> result = AniWriter::save(path, sample);

    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "cannot write " + path + ": Permission denied");
    EXPECT_EQ(readBytes(path), oldBytes);
    EXPECT_EQ(m_dir.entries(), std::vector<std::string>{"anim.ani"});
}

TEST_F(AniWriterSaveTest, ReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    const std::string path = m_dir.file("anim.ani");
    writeBytes(path, oldBytes);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

    const Result<void> result = AniWriter::save(path, sample);

    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "cannot write " + path + ": Permission denied");
    EXPECT_EQ(readBytes(path), oldBytes);
}

TEST_F(AniWriterSaveTest, RefusesWildcardNames)
{
    // "*" is what is left of the dialog's initial "*.ani" filter once the extension is added back.
    for (const char* name : {"*", "*.ani", "anim?"}) {
        const std::string path = saveFileName(m_dir.path(), name);
        SCOPED_TRACE(path);
        const Result<void> result = AniWriter::save(path, sample);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), Error::Kind::InvalidName);
        EXPECT_EQ(result.error().message(), "cannot write " + path + ": a file name cannot contain * or ?");
    }
    EXPECT_TRUE(m_dir.entries().empty());
}

}
}
