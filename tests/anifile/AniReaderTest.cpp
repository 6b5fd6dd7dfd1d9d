// SPDX-License-Identifier: MIT
#include "anifile/AniReader.h"

#include "anifile/AniWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace anifile {
namespace {

using testing_support::TempDir;
using testing_support::writeBytes;

// Every field up to the end of the input, the way a fuzzer or a careless caller would read.
std::vector<std::string> allFields(AniReader reader)
{
    std::vector<std::string> fields;
    while (!reader.atEnd()) {
        Result<std::string> field = reader.readField();
        EXPECT_TRUE(field);
        if (!field)
            break;
        fields.push_back(std::move(field).value());
    }
    return fields;
}

// Reads the way the program does: count, rate, then per frame "at the end? else read the field".
struct Animation
{
    std::string count;
    std::string rate;
    std::vector<std::optional<std::string>> frames;
};

Animation readAnimation(AniReader& reader, std::size_t frameCount)
{
    Animation animation;
    animation.count = reader.readField().value();
    animation.rate = reader.readField().value();
    for (std::size_t i = 0; i < frameCount; ++i) {
        if (reader.atEnd())
            animation.frames.emplace_back();
        else
            animation.frames.emplace_back(reader.readField().value());
    }
    return animation;
}

struct FieldCase
{
    const char* label;
    std::string bytes;
    std::vector<std::string> fields;
};

// Keeps the listed test names readable instead of a hex dump of the case.
void PrintTo(const FieldCase& c, std::ostream* out)
{
    *out << c.label;
}

class AniReaderFieldTest : public ::testing::TestWithParam<FieldCase>
{
};

TEST_P(AniReaderFieldTest, SplitsFields)
{
    EXPECT_EQ(allFields(AniReader::fromBytes(GetParam().bytes).value()), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AniReaderFieldTest,
    ::testing::Values(
        FieldCase{"CrLf", "3\r\n100\r\na\r\n\r\nc\r\n", {"3", "100", "a", "", "c"}},
        FieldCase{"LfOnly", "3\n100\na\n\nc\n", {"3", "100", "a", "", "c"}},
        FieldCase{"CrOnly", "3\r100\ra\r\rc\r", {"3", "100", "a", "", "c"}},
        // LF CR is two line ends, so the empty line between them is a field.
        FieldCase{"LfCr", "a\n\rb", {"a", "", "b"}},
        FieldCase{"NoFinalLineEnd", "1\r\n100\r\na", {"1", "100", "a"}},
        FieldCase{"BlanksKept", "  a b  \r\n\t\r\n", {"  a b  ", "\t"}},
        // Unquoted commas still split, as files from the old program expect.
        FieldCase{"UnquotedComma", "a,b\r\n,\r\n", {"a", "b", "", ""}},
        FieldCase{"InnerQuoteIsPlain", "a\"b\r\n", {"a\"b"}},
        FieldCase{"QuotedComma", "\"a,b\"\r\nc\r\n", {"a,b", "c"}},
        FieldCase{"DoubledQuote", "\"\"\"q\"\"\"\r\n", {"\"q\""}},
        FieldCase{"EmptyQuoted", "\"\"\r\nx\r\n", {"", "x"}},
        // Whatever follows the closing quote up to the next comma or line end is dropped.
        FieldCase{"AfterClosingQuote", "\"a\" junk,b\r\n\"c\"x\r\nd\r\n", {"a", "b", "c", "d"}},
        FieldCase{"QuotedLineBreaks", "\"a\r\nb\"\r\nc\r\n", {"a\r\nb", "c"}},
        FieldCase{"UnclosedQuoteTakesTheRest", "\"a\r\nb\r\n", {"a\r\nb\r\n"}},
        FieldCase{"ByteOrderMarkDropped", "\xEF\xBB\xBF" "3\r\n100\r\n", {"3", "100"}},
        FieldCase{"Windows1252Line", "1\r\n100\r\nC:\\pics\\caf\xE9.bmp\r\n",
                  {"1", "100", "C:\\pics\\caf\xC3\xA9.bmp"}},
        FieldCase{"Utf8LineKept", "/p/caf\xC3\xA9.bmp\r\n", {"/p/caf\xC3\xA9.bmp"}},
        // The choice is made per line: one stray byte does not turn the other lines into mojibake.
        FieldCase{"DecodedPerLine", "\xC3\xA9,\xE9\r\n\xC3\xA9\r\n",
                  {"\xC3\x83\xC2\xA9", "\xC3\xA9", "\xC3\xA9"}},
        FieldCase{"QuotedAcrossEncodings", "\"\xE9\n\xC3\xA9\"\r\n", {"\xC3\xA9\n\xC3\xA9"}}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return info.param.label; });

TEST(AniReader, FollowsTheFrameCountOfTheCaller)
{
    AniReader exact = AniReader::fromBytes("3\r\n100\r\n/p/a.bmp\r\n\r\n/p/c.bmp\r\n").value();
    const Animation animation = readAnimation(exact, 3);
    EXPECT_EQ(animation.count, "3");
    EXPECT_EQ(animation.rate, "100");
    EXPECT_EQ(animation.frames,
              (std::vector<std::optional<std::string>>{"/p/a.bmp", "", "/p/c.bmp"}));
    EXPECT_TRUE(exact.atEnd());

    // Lines beyond the count are never read.
    AniReader more = AniReader::fromBytes("1\r\n100\r\n/p/a.bmp\r\n/p/b.bmp\r\n").value();
    EXPECT_EQ(readAnimation(more, 1).frames, (std::vector<std::optional<std::string>>{"/p/a.bmp"}));
    EXPECT_FALSE(more.atEnd());

    // Frames the file does not reach get no field at all, which differs from an empty line.
    AniReader fewer = AniReader::fromBytes("3\r\n100\r\n\r\n").value();
    EXPECT_EQ(readAnimation(fewer, 3).frames,
              (std::vector<std::optional<std::string>>{"", std::nullopt, std::nullopt}));
}

TEST(AniReader, ReadingPastTheEndNamesTheMissingLine)
{
    AniReader empty = AniReader::fromBytes("", "/p/empty.ani").value();
    EXPECT_TRUE(empty.atEnd());
    Result<std::string> count = empty.readField();
    ASSERT_FALSE(count);
    EXPECT_EQ(count.error().kind(), Error::Kind::UnexpectedEnd);
    EXPECT_EQ(count.error().message(), "cannot read /p/empty.ani: the file ends before the frame count line");

    AniReader countOnly = AniReader::fromBytes("3\r\n", "/p/short.ani").value();
    EXPECT_EQ(countOnly.readField().value(), "3");
    Result<std::string> rate = countOnly.readField();
    ASSERT_FALSE(rate);
    EXPECT_EQ(rate.error().message(), "cannot read /p/short.ani: the file ends before the rate line");

    AniReader noFrames = AniReader::fromBytes("3\r\n100\r\n", "/p/short.ani").value();
    noFrames.readField();
    noFrames.readField();
    EXPECT_EQ(noFrames.readField().error().message(),
              "cannot read /p/short.ani: the file ends before the line of frame 1");
}

TEST(AniReader, ReadsBackWhatTheWriterWrote)
{
    const std::vector<AniContent> contents = {
        {"3", "100", {"/p/a.bmp", "", "/p/c.bmp"}},
        {"", "", {}},
        {"2.5", " 100 ", {" lead.bmp", "tail.bmp "}},
        // Values that used to shift every later frame.
        {"1,5", "\"100", {"a,b.bmp", "\"q.bmp", "/p/a\"b.bmp", "\"", ",", "\"\"", "x\r\ny"}},
        {"\xEF\xBB\xBF" "1", "100", {"/p/caf\xC3\xA9 \xE2\x82\xAC.bmp"}},
    };
    for (const AniContent& content : contents) {
        SCOPED_TRACE(AniWriter::encode(content));
        AniReader reader = AniReader::fromBytes(AniWriter::encode(content)).value();
        const Animation animation = readAnimation(reader, content.frames.size());
        EXPECT_EQ(animation.count, content.countText);
        EXPECT_EQ(animation.rate, content.rateText);
        ASSERT_EQ(animation.frames.size(), content.frames.size());
        for (std::size_t i = 0; i < content.frames.size(); ++i)
            EXPECT_EQ(animation.frames[i], content.frames[i]) << "frame " << i;
        EXPECT_TRUE(reader.atEnd());
    }
}

TEST(AniReader, OpensFilesFromDisk)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());

    const std::string path = dir.file("anim.ani");
    const AniContent content{"2", "100", {"/p/a,1.bmp", ""}};
    ASSERT_TRUE(AniWriter::save(path, content));
    Result<AniReader> reader = AniReader::open(path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader.value().fileName(), path);
    const Animation animation = readAnimation(reader.value(), 2);
    EXPECT_EQ(animation.frames, (std::vector<std::optional<std::string>>{"/p/a,1.bmp", ""}));

    const std::string missing = dir.file("missing.ani");
    Result<AniReader> notThere = AniReader::open(missing);
    ASSERT_FALSE(notThere);
    EXPECT_EQ(notThere.error().kind(), Error::Kind::Io);
    EXPECT_EQ(notThere.error().message(), "cannot read " + missing + ": No such file or directory");

    Result<AniReader> directory = AniReader::open(dir.str());
    ASSERT_FALSE(directory);
    EXPECT_EQ(directory.error().message(), "cannot read " + dir.str() + ": Is a directory");

    // A sparse file costs no disk space, and it must be refused before anything is read.
    const std::string huge = dir.file("huge.ani");
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(AniReader::maxFileSize) + 1), 0);
    ::close(fd);
    Result<AniReader> tooLarge = AniReader::open(huge);
    ASSERT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.error().kind(), Error::Kind::TooLarge);
    EXPECT_EQ(tooLarge.error().message(),
              "cannot read " + huge + ": the file is larger than 256 MiB, too large for an animation");
}

TEST(AniReader, RefusesFilesThatAreNotText)
{
    const struct
    {
        const char* label;
        std::string bytes;
        const char* why;
    } cases[] = {
        {"NulOnLineTwo", std::string("3\r\n10\0" "0\r\n", 8), "line 2 holds a NUL byte"},
        {"Utf16LittleEndian", std::string("\xFF\xFE" "1\0\r\0\n\0", 8), "it is UTF-16 text"},
        {"Utf16BigEndian", std::string("\xFE\xFF\0" "1", 4), "it is UTF-16 text"},
        {"Utf16WithoutMark", std::string("1\0\r\0\n\0", 6), "line 1 holds a NUL byte"},
        {"NulPastCrLf", std::string("1\r\n2\r\n\r\n\0", 9), "line 4 holds a NUL byte"},
        // Lone CRs and LFs end lines too; only a LF right after a CR belongs to it.
        {"NulPastLoneEnds", std::string("1\ra\n\n\r\0", 7), "line 5 holds a NUL byte"},
    };
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = dir.file(std::string(c.label) + ".ani");
        writeBytes(path, c.bytes);
        for (const Result<AniReader>& reader : {AniReader::open(path), AniReader::fromBytes(c.bytes, path)}) {
            ASSERT_FALSE(reader);
            EXPECT_EQ(reader.error().kind(), Error::Kind::NotText);
            EXPECT_EQ(reader.error().message(), "cannot read " + path + ": not a text file (" + c.why + ")");
        }
    }
    // Bytes that only look like the start of a mark are text.
    EXPECT_TRUE(AniReader::fromBytes("\xFF" "1\r\n"));
}

TEST(AniReader, LinesAndValuesAreBounded)
{
    const std::size_t limit = AniReader::maxLineLength;
    TempDir dir;
    ASSERT_TRUE(dir.valid());

    // The longest line is read; one byte more is refused, wherever the line is.
    const std::string longest(limit, 'a');
    AniReader fits = AniReader::fromBytes("1\r\n100\r\n" + longest + "\r\n").value();
    EXPECT_EQ(allFields(std::move(fits)), (std::vector<std::string>{"1", "100", longest}));
    const std::string tooLong = "1\r\n100\n" + longest + "a\r\n";
    const std::string path = dir.file("long.ani");
    writeBytes(path, tooLong);
    for (const Result<AniReader>& reader : {AniReader::open(path), AniReader::fromBytes(tooLong, path)}) {
        ASSERT_FALSE(reader);
        EXPECT_EQ(reader.error().kind(), Error::Kind::LineTooLong);
        EXPECT_EQ(reader.error().message(),
                  "cannot read " + path + ": line 3 is longer than 8192 bytes, longer than any line of an animation file");
    }

    // A file of one huge line is refused after reading its beginning.
    const std::string huge = dir.file("huge.ani");
    writeBytes(huge, std::string(4 * 1024 * 1024, 'x'));
    const Result<AniReader> hugeLine = AniReader::open(huge);
    ASSERT_FALSE(hugeLine);
    EXPECT_EQ(hugeLine.error().kind(), Error::Kind::LineTooLong);

    // A quoted value may span lines, but not more bytes than a line may hold, quotes included.
    const auto quotedValue = [&](std::size_t length) {
        return "\"" + std::string(limit / 2, 'b') + "\n" + std::string(length - limit / 2 - 3, 'c') + "\"";
    };
    AniReader quoted = AniReader::fromBytes("1\r\n" + quotedValue(limit) + "\r\n").value();
    EXPECT_EQ(allFields(std::move(quoted)).at(1).size(), limit - 2);
    AniReader longer = AniReader::fromBytes("1\r\n\r\n" + quotedValue(limit + 1) + "\r\n", "/p/q.ani").value();
    longer.readField();
    longer.readField();
    const Result<std::string> value = longer.readField();
    ASSERT_FALSE(value);
    EXPECT_EQ(value.error().kind(), Error::Kind::LineTooLong);
    EXPECT_EQ(value.error().message(), "cannot read /p/q.ani: the value that starts on line 3 is longer than 8192 "
                                       "bytes, longer than any value of an animation file");
    // An unclosed quote is bounded the same way.
    AniReader unclosed = AniReader::fromBytes("\"" + std::string(limit - 1, 'd') + "\n" + "dddd").value();
    EXPECT_FALSE(unclosed.readField());
}

// The writer writes the bytes of a path as they are on disk; a name that is not UTF-8 must come
// back as those bytes, not as their Windows-1252 reading.
TEST(AniReader, PathsThatAreNotUtf8ComeBackAsWritten)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    const std::string latin1 = dir.file("caf\xE9.bmp");
    writeBytes(latin1, "picture");
    const std::string missing = dir.file("gon\xE9.bmp");
    const std::string asWindows1252 = dir.file("gon\xC3\xA9.bmp");

    const std::string path = dir.file("anim.ani");
    ASSERT_TRUE(AniWriter::save(path, AniContent{"3", "100", {latin1, missing, latin1 + ",x"}}));
    Result<AniReader> reader = AniReader::open(path);
    ASSERT_TRUE(reader);
    const Animation animation = readAnimation(reader.value(), 3);
    // The file that exists is named by its bytes; a missing one is read the old way. A quoted
    // value gets the same treatment.
    EXPECT_EQ(animation.frames,
              (std::vector<std::optional<std::string>>{latin1, asWindows1252, dir.file("caf\xC3\xA9.bmp,x")}));

    writeBytes(dir.file("caf\xE9.bmp,x"), "picture");
    Result<AniReader> again = AniReader::open(path);
    EXPECT_EQ(readAnimation(again.value(), 3).frames.at(2), latin1 + ",x");

    // The count and rate are never file names.
    AniReader numbers = AniReader::fromBytes("\xE9\r\n\xE9\r\n").value();
    numbers.setFileExists([](const std::string&) { return true; });
    EXPECT_EQ(numbers.readField().value(), "\xC3\xA9");
    EXPECT_EQ(numbers.readField().value(), "\xC3\xA9");
}

}
}
