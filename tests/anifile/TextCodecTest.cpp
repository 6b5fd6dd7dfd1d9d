// SPDX-License-Identifier: MIT
#include "anifile/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace anifile {
namespace {

TEST(TextCodec, RecognisesWellFormedUtf8Only)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("C:\\pics\\frame1.bmp"));
    EXPECT_TRUE(isValidUtf8("caf\xC3\xA9"));
    EXPECT_TRUE(isValidUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF"));

    EXPECT_FALSE(isValidUtf8("caf\xE9"));              // Windows-1252 é
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));             // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));         // overlong '/' in three bytes
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));         // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));     // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));             // cut short at the end
    EXPECT_FALSE(isValidUtf8("\xE2\x82x"));            // cut short by an ASCII byte
    EXPECT_FALSE(isValidUtf8("\x80"));                 // lone continuation byte
    EXPECT_FALSE(isValidUtf8("\xF8\x88\x80\x80\x80")); // five-byte form
}

TEST(TextCodec, MapsWindows1252Bytes)
{
    // Above 0x9F Windows-1252 is Latin-1, where byte and code point agree.
    for (int byte = 0xA0; byte < 0x100; ++byte) {
        std::string out;
        appendWindows1252AsUtf8(out, std::string(1, static_cast<char>(byte)));
        const std::string latin1{static_cast<char>(0xC0 | (byte >> 6)),
                                 static_cast<char>(0x80 | (byte & 0x3F))};
        EXPECT_EQ(out, latin1) << "byte " << byte;
    }

    std::string out;
    appendWindows1252AsUtf8(out, "A\x7F\x80\x81\x8D\x8F\x90\x92\x9D\x9F\xE9");
    EXPECT_EQ(out, "A\x7F"
                   "\xE2\x82\xAC"      // €
                   "\xC2\x81"          // undefined, kept as its C1 control
                   "\xC2\x8D\xC2\x8F\xC2\x90"
                   "\xE2\x80\x99"      // right single quotation mark
                   "\xC2\x9D"
                   "\xC5\xB8"          // Ÿ
                   "\xC3\xA9");        // é
}

}
}
