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

std::map<std::string, bool> ReadAll(DirSearch& search) {
    std::map<std::string, bool> entries;
    DirEntry entry;
    while (search.Next(entry)) {
        entries[std::string(entry.name)] = entry.isDirectory;
    }
    return entries;
}

// Only a real folder may carry the folder flag: a link taken for a folder would be walked
// into, and its target destroyed.
TEST(DirSearchTest, OnlyRealFoldersAreFolders) {
    test::TempDir temp;
    fs::create_directory(temp / "dir");
    test::WriteFile(temp / "file", "x");
    fs::create_directory_symlink(temp / "dir", temp / "linkToDir");
    fs::create_symlink(temp / "file", temp / "linkToFile");
    fs::create_symlink(temp / "nowhere", temp / "dangling");
    ASSERT_EQ(mkfifo((temp / "fifo").c_str(), 0600), 0);

    DirSearch search = DirSearch::Open(temp.str());
    ASSERT_TRUE(search.IsOpen());
    std::map<std::string, bool> expected{
        {".", true},          {"..", true},          {"dir", true},       {"file", false},
        {"linkToDir", false}, {"linkToFile", false}, {"dangling", false}, {"fifo", false}};
    EXPECT_EQ(ReadAll(search), expected);
    EXPECT_EQ(search.Error(), 0);
}

// Opening a link to a folder, by path or as a child, must fail rather than follow it.
TEST(DirSearchTest, NeverOpensALinkToAFolder) {
    test::TempDir temp;
    fs::create_directory(temp / "dir");
    test::WriteFile(temp / "dir" / "inside", "x");
    fs::create_directory_symlink(temp / "dir", temp / "link");

    for (const std::string& path : {temp.str() + "/link", temp.str() + "/link/"}) {
        DirSearch search = DirSearch::Open(path);
        EXPECT_FALSE(search.IsOpen()) << path;
        EXPECT_NE(search.Error(), 0);
        DirEntry entry;
        EXPECT_FALSE(search.Next(entry));
    }
    DirSearch parent = DirSearch::Open(temp.str());
    EXPECT_FALSE(DirSearch::OpenChild(parent, "link").IsOpen());
    DirSearch child = DirSearch::OpenChild(parent, "dir");
    ASSERT_TRUE(child.IsOpen());
    EXPECT_EQ(ReadAll(child).count("inside"), 1u);
}

}  // namespace
}  // namespace ostrel::platform
