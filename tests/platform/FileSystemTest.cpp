#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;
using platform::RenameResult;

// Guards the rule that a move never replaces an existing file.
TEST(FileSystemTest, RenameNeverReplacesAnExistingFile) {
    TempDir temp;
    WriteFile(temp / "a", "a");
    WriteFile(temp / "b", "b");
    EXPECT_EQ(platform::RenameNoReplace((temp / "a").string(), (temp / "b").string()),
              RenameResult::Exists);
    EXPECT_EQ(ReadFile(temp / "a"), "a");
    EXPECT_EQ(ReadFile(temp / "b"), "b");
    EXPECT_EQ(platform::RenameNoReplace((temp / "a").string(), (temp / "c").string()),
              RenameResult::Done);
}

TEST(FileSystemTest, RenameAcrossFileSystemsSaysSo) {
    TempDir temp;
    auto shm = platform::StatPath("/dev/shm");
    if (!shm || shm->id.device == platform::StatPath(temp.str())->id.device) {
        GTEST_SKIP() << "no second file system (/dev/shm) beside the temporary folder";
    }
    WriteFile(temp / "a", "a");
    std::string target = "/dev/shm/ostrel-rename-test-" + temp.path().filename().string();
    EXPECT_EQ(platform::RenameNoReplace((temp / "a").string(), target), RenameResult::CrossDevice);
    EXPECT_TRUE(fs::exists(temp / "a"));
    fs::remove(target);
}

// Guards lstat semantics: a link to a folder is not a folder, so nothing ever walks through it.
TEST(FileSystemTest, LinkToAFolderIsNotAFolder) {
    TempDir temp;
    fs::create_directory(temp / "folder");
    fs::create_directory_symlink(temp / "folder", temp / "link");
    WriteFile(temp / "file", "");
    const std::string folder = (temp / "folder").string();
    const std::string link = (temp / "link").string();

    EXPECT_TRUE(*platform::GetAttributes(folder) & platform::kAttrDirectory);
    EXPECT_FALSE(*platform::GetAttributes(link) & platform::kAttrDirectory);
    EXPECT_EQ(*platform::GetAttributes((temp / "file").string()), platform::kAttrNormal);
    EXPECT_FALSE(platform::GetAttributes((temp / "missing").string()));
    EXPECT_FALSE(platform::PathIsDirectory(link));
    EXPECT_TRUE(platform::DirectoryIsEmpty(folder));
    EXPECT_FALSE(platform::DirectoryIsEmpty(link));
    EXPECT_FALSE(platform::RemoveDirectory(link));
    EXPECT_TRUE(fs::exists(temp / "folder"));
    EXPECT_FALSE(platform::DirectoryIsEmpty(temp.str()));
}

}  // namespace
}  // namespace ostrel::test
