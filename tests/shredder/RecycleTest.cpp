#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '%' && i + 2 < text.size();
        out += escape ? static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)) : text[i];
        i += escape ? 2 : 0;
    }
    return out;
}

// The file lands in the trash with its own name and bytes and an info file that names where it
// came from (byte-exact, even for a name that is not UTF-8); no overwrite, no holding folder. A
// missing file changes nothing.
TEST_F(ShredderTest, RecycleBinMovesTheFileToTheTrashWithAValidInfoFile) {
    const fs::path trash = fs::path(m_xdg.DataHome()) / "Trash";
    std::string missing = (m_temp / "missing.txt").string();
    EXPECT_EQ(Shred(kMethodRecycle, missing), ShredOutcome::NotAttempted);
    EXPECT_FALSE(fs::exists(trash));

    const std::string name = "report \xE9t\xE9.txt";
    std::string path = MakeFile(name, "the report");
    EXPECT_EQ(Shred(kMethodRecycle, path), ShredOutcome::Trashed);
    EXPECT_EQ(path, (m_temp / name).string());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_TRUE(m_host.msgBoxes.empty());
    EXPECT_EQ(ReadFile(trash / "files" / name), "the report");
    const std::string info = ReadFile(trash / "info" / (name + ".trashinfo"));
    const std::string head = "[Trash Info]\nPath=";
    ASSERT_EQ(info.compare(0, head.size(), head), 0) << info;
    const std::size_t pathEnd = info.find('\n', head.size());
    EXPECT_EQ(PercentDecode(info.substr(head.size(), pathEnd - head.size())), path);
    const std::string date = info.substr(pathEnd + 1);  // DeletionDate=YYYY-MM-DDThh:mm:ss
    EXPECT_TRUE(date.starts_with("DeletionDate=") && date.size() == 33 && date[17] == '-' &&
                date[23] == 'T' && date[29] == ':' && date.back() == '\n')
        << date;
}

}  // namespace
}  // namespace ostrel::test
