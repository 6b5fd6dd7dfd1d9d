// SPDX-License-Identifier: MIT
#include "pictures/PictureStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using pictures::PictureStore;
using pictures::Problem;

namespace {

struct Hostile {
    const char* file;
    Problem problem;
    // A word the cause must contain, or null.
    const char* says;
};

void PrintTo(const Hostile& c, std::ostream* os)
{
    *os << c.file;
}

class HostileFiles : public testing::TestWithParam<Hostile> { };

// The files the generator in tests/data writes; each is refused with its cause before any
// decoder could spend minutes or gigabytes on it.
TEST_P(HostileFiles, areRefusedWithTheirCause)
{
    const Hostile& c = GetParam();
    QTemporaryDir dir;
    const std::string command = std::string("bash '" MOVELLE_HOSTILE_SCRIPT "' '") + dir.path().toStdString() + "' " + c.file;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    PictureStore store;
    const pictures::Result<PictureStore::Source> loaded = store.load(dir.filePath(c.file));
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().problem(), c.problem) << loaded.error().message();
    if (c.says) {
        EXPECT_NE(loaded.error().message().find(c.says), std::string::npos) << loaded.error().message();
    }
}

INSTANTIATE_TEST_SUITE_P(Generated, HostileFiles,
    testing::Values(Hostile { "pipe.jpg", Problem::NotAFile, nullptr },
                    Hostile { "scan-bomb.jpg", Problem::Unsupported, "scans" },
                    Hostile { "huge-peak.tif", Problem::TooLarge, "16000 x 16000" }));

}
