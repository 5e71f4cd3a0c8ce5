#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/PendingDeletions.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

class PendingDeletionsTest : public ::testing::Test {
  protected:
    PendingDeletionsTest() {
        platform::SetBootIdSource([this] { return m_bootId; });
    }
    ~PendingDeletionsTest() override { platform::SetBootIdSource({}); }
    std::string Make(const std::string& name) {
        WriteFile(m_temp / name, "scheduled");
        return (m_temp / name).string();
    }
    XdgSandbox m_xdg;
    TempDir m_temp;
    std::string m_bootId = "first-boot";
};

// Guards byte-exact paths (newlines, bytes that are not UTF-8), a list only its owner reads, and
// the helper's autostart entry, written once and then left to the user.
TEST_F(PendingDeletionsTest, PathsComeBackByteExactFromAPrivateList) {
    const std::string odd = Make("two\nlines \xFF\xFE end");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(odd));
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("plain")));
    auto entries = platform::PendingDeletions();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, odd);
    EXPECT_EQ(entries[0].bootId, "first-boot");
    const std::string folder = m_xdg.StateHome() + "/Tolvane/Quarrix";
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(folder + "/pending-deletions").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);

    const std::string autostart = m_xdg.ConfigHome() + "/autostart/ostrel-pending.desktop";
    const std::string text = ReadFile(autostart);
    EXPECT_NE(text.find("\nExec=\"" + platform::PendingHelperPath() + "\"\n"), text.npos) << text;
    EXPECT_TRUE(fs::exists(platform::PendingHelperPath()));
    WriteFile(autostart, text + "Hidden=true\n");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("third")));
    EXPECT_EQ(ReadFile(autostart), text + "Hidden=true\n");
}

struct SweepRow {
    const char* name;
    bool restarted;
    std::function<void(const std::string&)> meanwhile;  // what happens to the path
    int deleted, dropped, kept;
    bool fileRemains;
};

void PrintTo(const SweepRow& row, std::ostream* os) {
    *os << row.name;
}

class SweepTest : public PendingDeletionsTest, public ::testing::WithParamInterface<SweepRow> {};

// Guards the helper's rules: only earlier boots, and only while the path names the same file.
TEST_P(SweepTest, DeletesOnlyTheRecordedFileOfAnEarlierBoot) {
    const std::string path = Make("victim");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    GetParam().meanwhile(path);
    m_bootId = GetParam().restarted ? "second-boot" : m_bootId;
    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(result.deleted, GetParam().deleted);
    EXPECT_EQ(result.dropped, GetParam().dropped);
    EXPECT_EQ(result.kept, GetParam().kept);
    EXPECT_EQ(fs::exists(path), GetParam().fileRemains);
    EXPECT_EQ(platform::PendingDeletions().size(), std::size_t(result.kept));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SweepTest,
    ::testing::Values(SweepRow{"Restarted", true, [](const std::string&) {}, 1, 0, 0, false},
                      SweepRow{"SameBoot", false, [](const std::string&) {}, 0, 0, 1, true},
                      SweepRow{"ReplacedByAnotherFile", true,
                               [](const std::string& path) {
                                   fs::remove(path);
                                   WriteFile(path, "a new file under the old name");
                               },
                               0, 1, 0, true},
                      SweepRow{"AlreadyGone", true,
                               [](const std::string& path) { fs::remove(path); }, 0, 1, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Guards the lock around the list: entries scheduled at once by several processes all stay.
TEST_F(PendingDeletionsTest, ConcurrentSchedulersLoseNoEntry) {
    std::vector<pid_t> children;
    for (int p = 0; p < 4; ++p) {
        std::vector<std::string> paths;
        for (int i = 0; i < 20; ++i) {
            paths.push_back(Make("f" + std::to_string(p * 20 + i)));
        }
        if (pid_t child = fork(); child == 0) {
            bool ok = true;
            for (const auto& path : paths) {
                ok = platform::ScheduleDeletionAtBoot(path) && ok;
            }
            _exit(ok ? 0 : 1);
        } else {
            children.push_back(child);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_EQ(platform::PendingDeletions().size(), 80u);
}

}  // namespace
}  // namespace ostrel::test
