#include <unistd.h>

#include <filesystem>

#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The file lands in the trash with its own name and bytes and an info file that names where it
// came from (byte-exact, even for a name that is not UTF-8); no overwrite, no holding folder.
TEST_F(ShredderTest, RecycleBinMovesTheFileToTheTrashWithAValidInfoFile) {
    const std::string name = "report \xE9t\xE9.txt";
    std::string path = MakeFile(name, "the report");
    const std::string entryPath = path;
    EXPECT_EQ(Shred(kMethodRecycle, path, true), ShredOutcome::Trashed);

    EXPECT_EQ(path, entryPath);
    EXPECT_FALSE(fs::exists(entryPath));
    EXPECT_TRUE(HeldNames().empty());
    const fs::path trash = fs::path(m_xdg.DataHome()) / "Trash";
    EXPECT_EQ(ReadFile(trash / "files" / name), "the report");
    const std::string info = ReadFile(trash / "info" / (name + ".trashinfo"));
    const std::string head = "[Trash Info]\nPath=";
    ASSERT_EQ(info.compare(0, head.size(), head), 0) << info;
    const std::size_t pathEnd = info.find('\n', head.size());
    ASSERT_NE(pathEnd, std::string::npos);
    const std::string date = info.substr(pathEnd + 1);
    EXPECT_TRUE(date.starts_with("DeletionDate=") && date.size() == 13 + 19 + 1 &&
                date[13 + 4] == '-' && date[13 + 10] == 'T' && date[13 + 16] == ':')
        << date;
    EXPECT_EQ(PercentDecode(info.substr(head.size(), pathEnd - head.size())), entryPath);
    EXPECT_TRUE(m_host.msgBoxes.empty());
}

TEST_F(ShredderTest, RecycleBinOnAMissingFileChangesNothing) {
    std::string path = (m_temp / "missing.txt").string();
    EXPECT_EQ(Shred(kMethodRecycle, path), ShredOutcome::NotAttempted);
    EXPECT_FALSE(fs::exists(fs::path(m_xdg.DataHome()) / "Trash"));
    EXPECT_TRUE(m_host.msgBoxes.empty());
}

// A file the trash refuses stays where it was, and the job can tell.
TEST_F(ShredderTest, FileTheTrashRefusesStaysInPlace) {
    std::string path = MakeFile("stuck.txt", "stuck");
    if (geteuid() != 0 || !SetImmutable(path, true)) {
        GTEST_SKIP() << "needs root and a file system with the immutable attribute";
    }
    ShredOutcome outcome = Shred(kMethodRecycle, path);
    SetImmutable(path, false);
    EXPECT_EQ(outcome, ShredOutcome::TrashRefused);
    EXPECT_EQ(ReadFile(path), "stuck");
}

}  // namespace
}  // namespace ostrel::test
