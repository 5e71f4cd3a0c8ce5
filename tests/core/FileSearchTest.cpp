#include "core/FileSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

struct Listing {
    std::vector<std::string> files;
    std::vector<std::string> dirs;
    bool operator==(const Listing&) const = default;
};

// What a search of `folder` (ending in "/") must give, read independently with
// std::filesystem in the order the file system lists entries, links not followed ("" reads
// the current folder and gives bare names).
void Expect(const std::string& folder, Listing& listing) {
    for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder)) {
        std::string name = entry.path().filename().string();
        if (entry.symlink_status().type() == fs::file_type::directory) {
            listing.dirs.push_back(folder + name + "/");
            Expect(folder + name + "/", listing);
        } else {
            listing.files.push_back(folder + name);
        }
    }
}

Listing Expected(const std::string& folder) {
    Listing listing;
    Expect(folder, listing);
    return listing;
}

Listing Search(const std::string& specification, cFileSearch& search) {
    search.FileSearch(specification);
    Listing listing;
    for (std::int32_t i = 1; i <= search.FileCount(); ++i) {
        listing.files.push_back(search.FileItem(i).AFilePath());
    }
    for (std::int32_t i = 1; i <= search.DirCount(); ++i) {
        listing.dirs.push_back(search.DirItem(i).DirPath());
    }
    return listing;
}

Listing Search(const std::string& specification) {
    cFileSearch search;
    return Search(specification, search);
}

void MakeFiles(const fs::path& folder, std::initializer_list<const char*> names) {
    fs::create_directories(folder);
    for (const char* name : names) {
        test::WriteFile(folder / name, "x");
    }
}

class FileSearchTest : public ::testing::Test {
  protected:
    std::string Root() const { return m_temp.str() + "/"; }
    test::TempDir m_temp;
};

// Files in listing order with each subfolder's files where its entry came, folders before
// their subfolders, hidden entries included: the shredding job depends on this order.
TEST_F(FileSearchTest, ListsTheTreeDepthFirst) {
    MakeFiles(m_temp.path(), {"a.txt", ".hidden", "z"});
    MakeFiles(m_temp / "sub", {"b1", "b2"});
    MakeFiles(m_temp / "sub" / "deeper", {"c"});
    MakeFiles(m_temp / "sub" / "deeper" / "deepest", {"d"});
    MakeFiles(m_temp / "other", {"e"});
    fs::create_directory(m_temp / "empty");
    chmod((m_temp / "other").c_str(), 0555);  // more mode bits than "folder" change nothing

    Listing found = Search(Root() + "*.*");
    Listing expected = Expected(Root());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(found.files.size(), 8u);
    EXPECT_EQ(found.dirs.size(), 5u);
    chmod((m_temp / "other").c_str(), 0755);
}

// Positions are 1-based; anything outside 1..count must raise the item error, never read
// beyond the list.
TEST_F(FileSearchTest, ItemsOutsideTheRangeRaiseTheItemError) {
    cFileSearch empty;
    empty.FileSearch(Root() + "*.*");
    EXPECT_EQ(empty.FileCount() + empty.DirCount(), 0);
    EXPECT_THROW(empty.FileItem(1), RuntimeError);
    MakeFiles(m_temp / "d", {"one", "two"});
    cFileSearch search;
    search.FileSearch(Root() + "*.*");
    ASSERT_EQ(search.FileCount(), 2);
    EXPECT_EQ(search.FileItem(2).AFilePath().substr(0, Root().size() + 2), Root() + "d/");
    for (std::int32_t bad : {0, -1, 3, INT32_MIN}) {
        EXPECT_THROW(search.FileItem(bad), RuntimeError) << bad;
    }
    EXPECT_THROW(search.DirItem(2), RuntimeError);
    try {
        search.DirItem(0);
        ADD_FAILURE() << "DirItem(0) did not raise";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), kErrInvalidArgument);
    }
}

// A link is a file to the job (it removes the link); walking into one would shred whatever
// it points to.
TEST_F(FileSearchTest, LinksAreFilesAndAreNeverEntered) {
    test::TempDir outside;
    MakeFiles(outside.path(), {"secret1", "secret2"});
    MakeFiles(outside / "sub", {"secret3"});
    fs::create_directory(m_temp / "tree");
    MakeFiles(m_temp / "tree", {"plain"});
    fs::create_directory_symlink(outside.path(), m_temp / "tree" / "linkToFolder");
    fs::create_symlink(outside / "secret1", m_temp / "tree" / "linkToFile");
    fs::create_symlink(outside / "gone", m_temp / "tree" / "dangling");

    std::string tree = Root() + "tree/";
    Listing found = Search(tree + "*.*");
    EXPECT_EQ(found, Expected(tree));
    EXPECT_EQ(found.files.size(), 4u);
    EXPECT_TRUE(found.dirs.empty());
    for (const auto& path : found.files) {
        EXPECT_EQ(path.rfind(tree, 0), 0u) << path;
        EXPECT_EQ(path.find("secret"), std::string::npos) << path;
    }
    EXPECT_NE(std::find(found.files.begin(), found.files.end(), tree + "linkToFolder"),
              found.files.end());

    // A link given as the folder to search is not entered either.
    Listing viaLink = Search(tree + "linkToFolder/*.*");
    EXPECT_TRUE(viaLink.files.empty() && viaLink.dirs.empty());
}

// Paths are the file system's exact bytes: a newline or a byte that is not UTF-8 must come
// back unchanged, or the job would look for a file that does not exist.
TEST_F(FileSearchTest, NamesAreKeptByteForByte) {
    const std::string odd = "line\nbreak";
    const std::string latin = "caf\xe9 \xff\xfe";
    fs::create_directory(m_temp / latin);
    test::WriteFile(m_temp / latin / odd, "x");
    test::WriteFile(m_temp / (odd + ".txt"), "x");

    Listing found = Search(Root() + "*.*");
    EXPECT_EQ(found, Expected(Root()));
    EXPECT_EQ(found.dirs, std::vector<std::string>{Root() + latin + "/"});
    std::vector<std::string> files = found.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{Root() + latin + "/" + odd, Root() + odd + ".txt"}));
}

// A folder that cannot be read adds nothing below it and does not stop the rest of the walk.
TEST_F(FileSearchTest, UnreadableFolderAddsNothing) {
    MakeFiles(m_temp / "open", {"f"});
    MakeFiles(m_temp / "locked", {"g"});
    MakeFiles(m_temp / "open2", {"h"});
    chmod(m_temp.path().c_str(), 0755);
    chmod((m_temp / "locked").c_str(), 0);
    int code = test::RunInChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            return 77;
        }
        if (access((m_temp / "locked").c_str(), R_OK) == 0) {
            return 77;  // this user can read the folder anyway
        }
        Listing found = Search(Root() + "*.*");
        if (found.dirs.size() != 3 || found.files.size() != 2) {
            return 1;
        }
        for (const auto& file : found.files) {
            if (file.find("/locked/") != std::string::npos) {
                return 2;
            }
        }
        return 0;
    });
    chmod((m_temp / "locked").c_str(), 0755);
    if (code == 77) {
        GTEST_SKIP() << "cannot make a folder unreadable for the searching process";
    }
    EXPECT_EQ(code, 0);
}

// A specification whose last part is a name, not "*.*", finds that one entry, as the
// system's directory search does; a folder found that way is walked.
TEST_F(FileSearchTest, LiteralNameFindsThatEntryOnly) {
    MakeFiles(m_temp.path(), {"a.txt", "b.txt"});
    MakeFiles(m_temp / "sub", {"inner"});
    Listing file = Search(Root() + "a.txt");
    EXPECT_EQ(file.files, std::vector<std::string>{Root() + "a.txt"});
    EXPECT_TRUE(file.dirs.empty());
    Listing folder = Search(Root() + "sub");
    EXPECT_EQ(folder.dirs, std::vector<std::string>{Root() + "sub/"});
    EXPECT_EQ(folder.files, std::vector<std::string>{Root() + "sub/inner"});
    EXPECT_EQ(Search(Root() + "nowhere/*.*"), Listing{});
}

// Without a separator the search runs in the current folder and gives bare names.
TEST_F(FileSearchTest, SpecificationWithoutSeparatorGivesBareNames) {
    MakeFiles(m_temp.path(), {"only"});
    MakeFiles(m_temp / "d", {"inner"});
    int code = test::RunInChild([&] {
        if (chdir(m_temp.path().c_str()) != 0) {
            return 3;
        }
        Listing found = Search("*.*");
        Listing expected = Expected("");
        return found == expected && found.files.size() == 2 &&
                       found.dirs == std::vector<std::string>{"d/"}
                   ? 0
                   : 1;
    });
    EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace ostrel
