// SPDX-License-Identifier: MIT
#include "anifile/Excerpt.h"

#include "anifile/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace anifile {
namespace {

// The number of characters a UTF-8 text shows.
std::size_t characters(const std::string& text)
{
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

TEST(Excerpt, ShowsEveryByteOnOneLine)
{
    const struct
    {
        std::string value;
        const char* shown;
    } cases[] = {
        {"", ""},
        {"/p/caf\xC3\xA9 \xE2\x82\xAC.bmp", "/p/caf\xC3\xA9 \xE2\x82\xAC.bmp"},
        {"C:\\pics\\a.bmp", "C:\\pics\\a.bmp"},
        {std::string("1\0" "2", 3), "1\\02"},
        {"a\r\nb\tc", "a\\r\\nb\\tc"},
        {"\x01\x1F\x7F", "\\x01\\x1F\\x7F"},
        {"caf\xE9", "caf\\xE9"},                       // not UTF-8
        {"\xC2\x85\xC2\x9F", "\\u0085\\u009F"},        // C1 controls
        {"a\xE2\x80\xAE" "gpj.exe", "a\\u202Egpj.exe"}, // right-to-left override
        {"\xEF\xBB\xBF" "1", "\\uFEFF1"},
        {"\xE2\x82", "\\xE2\\x82"},                    // cut short
        {" x ", " x "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(excerpt(c.value), c.shown);
    }
    EXPECT_EQ(quotedExcerpt("5x"), "\"5x\"");
    EXPECT_EQ(quotedExcerpt(std::string("1\0", 2)), "\"1\\0\"");
}

TEST(Excerpt, LongValuesKeepTheirBeginningAndEnd)
{
    // Exactly as many characters as fit are shown whole; one more is elided.
    const std::string fits(excerptLength, 'a');
    EXPECT_EQ(excerpt(fits), fits);
    const std::string over = std::string(excerptLength, 'a') + ".bmp";
    const std::string shown = excerpt(over);
    EXPECT_EQ(characters(shown), excerptLength);
    EXPECT_EQ(shown, std::string(26, 'a') + "\xE2\x80\xA6" + std::string(9, 'a') + ".bmp");

    // Escapes count as the characters they stand for, so a value of control bytes is elided too.
    const std::string controls(100, '\x01');
    EXPECT_EQ(excerpt(controls, 10), "\\x01\\x01\\x01\\x01\\x01\\x01\xE2\x80\xA6\\x01\\x01\\x01");

    // A huge value, cut inside a character at both ends, is still short, whole UTF-8.
    std::string huge;
    for (int i = 0; i < 4'000'000; ++i)
        huge += "\xE2\x82\xAC";
    huge = huge.substr(0, huge.size() - 1) + ".bmp";
    const std::string hugeShown = excerpt(huge);
    EXPECT_TRUE(isValidUtf8(hugeShown));
    // The two escapes of the cut character take four characters each on screen.
    EXPECT_EQ(characters(hugeShown), excerptLength + 6);
    EXPECT_EQ(hugeShown.substr(0, 3), "\xE2\x82\xAC");
    EXPECT_EQ(hugeShown.substr(hugeShown.size() - 12), "\\xE2\\x82.bmp");
}

}
}
