#include "core/FileSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/DirSearch.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

struct Listing {
    std::vector<std::string> files, dirs;
    bool operator==(const Listing&) const = default;
};

// What a search of `folder` (ending in "/") must give, read independently, links not followed.
Listing Expected(const std::string& folder, Listing listing = {}) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (entry.symlink_status().type() == fs::file_type::directory) {
            listing.dirs.push_back(folder + name + "/");
            listing = Expected(folder + name + "/", std::move(listing));
        } else {
            listing.files.push_back(folder + name);
        }
    }
    return listing;
}

Listing Search(const std::string& pattern) {
    cFileSearch search;
    search.FileSearch(pattern);
    Listing listing;
    for (std::int32_t i = 1; i <= search.FileCount(); ++i) {
        listing.files.push_back(search.FileItem(i).AFilePath());
    }
    for (std::int32_t i = 1; i <= search.DirCount(); ++i) {
        listing.dirs.push_back(search.DirItem(i).DirPath());
    }
    return listing;
}

void MakeFiles(const fs::path& folder, std::initializer_list<std::string> names) {
    fs::create_directories(folder);
    for (const std::string& name : names) {
        test::WriteFile(folder / name, "x");
    }
}

class FileSearchTest : public ::testing::Test {
  protected:
    std::string Root() const { return m_temp.str() + "/"; }
    test::TempDir m_temp;
};

// Measured, each file has the size of its data and the total is their sum.
TEST_F(FileSearchTest, MeasuresWhatTheFilesHoldAndCallsBackDuringALongWalk) {
    MakeFiles(m_temp / "many", {});
    for (int i = 0; i < 1200; ++i) {
        test::WriteFile(m_temp / "many" / std::to_string(i),
                        std::string(static_cast<std::size_t>(i % 7), 'b'));
    }
    test::WriteFile(m_temp / "big", std::string(70000, 'B'));
    fs::create_symlink(m_temp / "big", m_temp / "link");
    ASSERT_EQ(mkfifo((m_temp / "fifo").c_str(), 0600), 0);

    for (const bool measure : {true, false}) {
        cFileSearch search;
        search.MeasureSizes(measure);
        std::vector<std::int32_t> foundAtCalls;
        search.OnEntries([&] { foundAtCalls.push_back(search.FileCount()); });
        search.FileSearch(Root() + "*.*");

        ASSERT_EQ(search.FileCount(), 1203);
        std::int64_t expected = 0;
        for (std::int32_t i = 1; i <= search.FileCount(); ++i) {
            const std::string path = search.FileItem(i).AFilePath();
            const auto status = fs::symlink_status(path);
            const std::int64_t size = measure && fs::is_regular_file(status)
                                          ? static_cast<std::int64_t>(fs::file_size(path))
                                          : 0;
            EXPECT_EQ(search.FileSize(i), size) << path;
            expected += size;
        }
        EXPECT_EQ(search.TotalFileSize(), expected);
        EXPECT_EQ(expected > 70000, measure);
        // 1205 entries (1203 files, 2 folders): a call after every 512.
        ASSERT_EQ(foundAtCalls.size(), 2u);
        EXPECT_LT(foundAtCalls[0], foundAtCalls[1]);
    }
}

// Depth first in listing order, hidden entries and odd bytes in names kept; a link is a file to
// the job (it removes the link): walking into a link would shred whatever it points to.
TEST_F(FileSearchTest, ListsTheTreeDepthFirstWithExactNamesAndNeverEntersLinks) {
    const std::string odd = "line\nbreak", latin = "caf\xe9 \xff\xfe";
    test::TempDir outside;
    MakeFiles(outside / "sub", {"secret1", "secret2"});
    MakeFiles(m_temp.path(), {"a.txt", ".hidden", "z"});
    MakeFiles(m_temp / latin, {"b1", odd});
    MakeFiles(m_temp / latin / "deeper", {"c"});
    MakeFiles(m_temp / latin / "deeper" / "deepest", {"d"});
    MakeFiles(m_temp / "other", {"e"});
    fs::create_directory(m_temp / "empty");
    fs::create_directory_symlink(outside.path(), m_temp / latin / "linkToFolder");
    fs::create_symlink(outside / "sub" / "secret1", m_temp / "linkToFile");
    fs::create_symlink(outside / "gone", m_temp / "other" / "dangling");
    ASSERT_EQ(mkfifo((m_temp / "fifo").c_str(), 0600), 0);
    chmod((m_temp / "other").c_str(), 0555);  // more mode bits than "folder" change nothing

    Listing found = Search(Root() + "*.*");
    chmod((m_temp / "other").c_str(), 0755);
    EXPECT_EQ(found, Expected(Root()));
    EXPECT_EQ(found.files.size() + found.dirs.size(), 17u) << "what the independent walk missed";
    EXPECT_EQ(Search(Root() + latin + "/linkToFolder/*.*"), Listing{}) << "a link as the folder";
    // The walk's own guard: a link to a folder never opens as a folder, by path or as a child.
    platform::DirSearch parent = platform::DirSearch::Open(Root() + latin);
    EXPECT_FALSE(platform::DirSearch::OpenChild(parent, "linkToFolder").IsOpen());
    EXPECT_FALSE(platform::DirSearch::Open(Root() + latin + "/linkToFolder/").IsOpen());
}

}  // namespace
}  // namespace ostrel
