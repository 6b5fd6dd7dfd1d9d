// SPDX-License-Identifier: MIT
#include "FormsFixture.h"

#include "forms/DriveList.h"
#include "forms/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

using namespace forms;
namespace fs = std::filesystem;

namespace {

TEST(FileSystem, PatternsAreSemicolonListsOfWildcardsWithBlanksAroundIgnored)
{
    const char* loadFrame = "*.bmp ;*.gif ;*.jpg ;*.ico ;*.wmf ;*.emf ;*.jpeg ;*.pcx ;*.tiff ;*.aiff ;*.dib ;*.xbm";
    EXPECT_TRUE(FileSystem::matches("a.bmp", loadFrame));
    EXPECT_TRUE(FileSystem::matches("b.gif", loadFrame));
    EXPECT_TRUE(FileSystem::matches("c.xbm", loadFrame));
    EXPECT_TRUE(FileSystem::matches("SHOUT.BMP", loadFrame));
    EXPECT_FALSE(FileSystem::matches("a.png", loadFrame));
    EXPECT_FALSE(FileSystem::matches("a.bmp.txt", loadFrame));
    EXPECT_TRUE(FileSystem::matches("a1.ani", "a?.ani"));
    EXPECT_FALSE(FileSystem::matches("a12.ani", "a?.ani"));
    EXPECT_TRUE(FileSystem::matches("README", "*.*"));
    EXPECT_FALSE(FileSystem::matches("a.bmp", ""));
    EXPECT_TRUE(FileSystem::matches(std::string(10000, 'a') + "b", "*a*a*a*a*b"));
}

TEST(FileSystem, NaturalOrderComparesNumbersByValue)
{
    std::vector<std::string> names { "walk10.png", "walk2.png", "Walk1.png", "walk02.png", "a.png", "walk.png" };
    std::sort(names.begin(), names.end(), FileSystem::naturalLess);
    EXPECT_EQ(names, (std::vector<std::string> { "a.png", "walk.png", "Walk1.png", "walk2.png", "walk02.png", "walk10.png" }));
}

TEST(FileSystem, JoinUsesOneSeparator)
{
    EXPECT_EQ(FileSystem::join("/", "a.bmp"), "/a.bmp");
    EXPECT_EQ(FileSystem::join("/home/ann", "a.bmp"), "/home/ann/a.bmp");
    EXPECT_EQ(FileSystem::join("/home/ann/", "a.bmp"), "/home/ann/a.bmp");
    EXPECT_EQ(FileSystem::normalize("/home/ann/../bob/"), "/home/bob");
    EXPECT_EQ(FileSystem::normalize("/"), "/");
}

class Lists final : public Window {
public:
    explicit Lists(Application& app)
        : Window(app, "Lists")
    {
        Dir1.onChange = [this] {
            File1.setPath(Dir1.path());
            ++dirChanges;
        };
        Drive1.onChange = [this] { Dir1.setPath(Drive1.drive()); };
    }
    DriveList Drive1 { *this, "Drive1" };
    DirList Dir1 { *this, "Dir1" };
    FileList File1 { *this, "File1" };
    int dirChanges = 0;
};

TEST(FileSystemLists, DirectoryChangesRaiseChangeAndTheFileListFollows)
{
    std::random_device random;
    const fs::path root = fs::temp_directory_path() / ("movelle-lists-" + std::to_string(random()));
    fs::create_directories(root / "pics");
    fs::create_directories(root / ".hidden");
    for (const char* name : { "a.bmp", "b.GIF", "c.txt" })
        std::ofstream(root / "pics" / name) << "x";

    forms_test::Fixture f;
    auto& w = f.app.get<Lists>("Lists");
    EXPECT_EQ(w.Dir1.path(), f.app.fileSystem().homeDirectory());
    w.Dir1.setPath(root.string());
    EXPECT_EQ(w.Dir1.subdirectories(), (std::vector<std::string> { "pics" }));
    w.Dir1.setPath((root / "pics").string());
    EXPECT_EQ(w.dirChanges, 2);
    w.File1.setPattern("*.bmp ;*.gif");
    EXPECT_EQ(w.File1.files(), (std::vector<std::string> { "a.bmp", "b.GIF" }));
    w.File1.select("a.bmp");
    EXPECT_EQ(w.File1.fileName(), "a.bmp");
    w.File1.setPattern("*.txt");
    EXPECT_EQ(w.File1.fileName(), "");   // the selected file is no longer listed

    // Setting the same path raises nothing; a directory that cannot be entered is an error
    // that leaves the list where it was.
    w.Dir1.setPath((root / "pics").string());
    EXPECT_EQ(w.dirChanges, 2);
    EXPECT_THROW(w.Dir1.setPath((root / "missing").string()), Error);
    EXPECT_EQ(w.Dir1.path(), (root / "pics").string());

    // A change of drive moves the directory list, which moves the file list.
    w.Drive1.setDrive(root.string());
    EXPECT_EQ(w.Dir1.path(), root.string());
    EXPECT_EQ(w.File1.path(), root.string());
    fs::remove_all(root);
}

}
