#include "platform/DirSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/TempDir.h"

namespace ostrel::platform {
namespace {

namespace fs = std::filesystem;

std::map<std::string, bool> ReadAll(DirSearch&& search) {
    std::map<std::string, bool> entries;
    DirEntry entry;
    while (search.Next(entry)) {
        entries[std::string(entry.name)] = entry.isDirectory;
    }
    EXPECT_EQ(search.Error(), 0);
    return entries;
}

// Only a real folder may carry the folder flag, and a link to a folder, by path or as a
// child, must not open: a link taken for a folder would be walked into, and its target
// destroyed.
TEST(DirSearchTest, OnlyRealFoldersAreFoldersAndLinksNeverOpen) {
    test::TempDir temp;
    fs::create_directory(temp / "dir");
    test::WriteFile(temp / "dir" / "inside", "x");
    test::WriteFile(temp / "file", "x");
    fs::create_directory_symlink(temp / "dir", temp / "linkToDir");
    fs::create_symlink(temp / "file", temp / "linkToFile");
    fs::create_symlink(temp / "nowhere", temp / "dangling");
    ASSERT_EQ(mkfifo((temp / "fifo").c_str(), 0600), 0);

    std::map<std::string, bool> expected{
        {".", true},          {"..", true},          {"dir", true},       {"file", false},
        {"linkToDir", false}, {"linkToFile", false}, {"dangling", false}, {"fifo", false}};
    EXPECT_EQ(ReadAll(DirSearch::Open(temp.str())), expected);

    DirSearch viaLink = DirSearch::Open(temp.str() + "/linkToDir/");  // trailing "/" too
    EXPECT_FALSE(viaLink.IsOpen());
    EXPECT_NE(viaLink.Error(), 0);
    DirSearch parent = DirSearch::Open(temp.str());
    EXPECT_FALSE(DirSearch::OpenChild(parent, "linkToDir").IsOpen());
    EXPECT_EQ(ReadAll(DirSearch::OpenChild(parent, "dir")).count("inside"), 1u);
}

}  // namespace
}  // namespace ostrel::platform
