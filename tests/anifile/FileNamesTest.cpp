// SPDX-License-Identifier: MIT
#include "anifile/FileNames.h"

#include <gtest/gtest.h>

namespace anifile {
namespace {

struct NameCase
{
    const char* directory;
    const char* name;
    const char* saveName;
    const char* openName;
};

void PrintTo(const NameCase& c, std::ostream* out)
{
    *out << '"' << c.directory << "\" + \"" << c.name << '"';
}

class FileNamesTest : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(FileNamesTest, JoinsDirectoryAndTypedName)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(saveFileName(c.directory, c.name), c.saveName);
    EXPECT_EQ(openFileName(c.directory, c.name), c.openName);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNamesTest,
    ::testing::Values(
        // The root already ends with a separator, so it must not be doubled.
        NameCase{"/", "anim", "/anim.ani", "/anim"},
        NameCase{"/", "anim.ani", "/anim.ani.ani", "/anim.ani"},
        NameCase{"/tmp/pics", "anim", "/tmp/pics/anim.ani", "/tmp/pics/anim"},
        // Saving always appends the extension, even to a name that has it.
        NameCase{"/tmp/pics", "anim.ani", "/tmp/pics/anim.ani.ani", "/tmp/pics/anim.ani"},
        NameCase{"/tmp/pics/", "anim", "/tmp/pics/anim.ani", "/tmp/pics/anim"},
        NameCase{"/tmp/pics", "", "/tmp/pics/.ani", "/tmp/pics/"},
        // The name is used exactly as typed, blanks included.
        NameCase{"/tmp/pics", " anim ", "/tmp/pics/ anim .ani", "/tmp/pics/ anim "}));

TEST(FileNames, WildcardsCountOnlyInTheLastComponent)
{
    EXPECT_TRUE(hasWildcard("/tmp/*.ani.ani"));
    EXPECT_TRUE(hasWildcard("/tmp/anim?.ani"));
    EXPECT_TRUE(hasWildcard("*.ani"));
    EXPECT_FALSE(hasWildcard("/tmp/anim.ani"));
    EXPECT_FALSE(hasWildcard("/tmp/a?b/*x/anim.ani"));
}

}
}
