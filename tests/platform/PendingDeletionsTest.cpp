#include <sys/stat.h>
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
    std::string Make(const std::string& name, const std::string& bytes) {
        std::string path = m_temp.str() + "/" + name;
        WriteFile(path, bytes);
        return path;
    }
    unsigned ModeOf(const std::string& path) {
        return static_cast<unsigned>(fs::status(path).permissions());
    }

    XdgSandbox m_xdg;
    TempDir m_temp;
    std::string m_bootId = "first-boot";
};

// Guards byte-exact paths (newlines, bytes that are not UTF-8) and a list only its owner reads.
TEST_F(PendingDeletionsTest, PathsComeBackByteExactFromAPrivateList) {
    const std::string odd = Make("two\nlines \xFF\xFE end", "x");
    const std::string plain = Make("plain", "y");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(odd));
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(plain));
    auto entries = platform::PendingDeletions();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, odd);
    EXPECT_EQ(entries[1].path, plain);
    EXPECT_EQ(entries[0].bootId, "first-boot");
    const std::string folder = platform::StateFolder();
    EXPECT_EQ(folder, m_xdg.StateHome() + "/Tolvane/Quarrix");
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(folder + "/pending-deletions"), 0600u);
    EXPECT_FALSE(platform::ScheduleDeletionAtBoot(m_temp.str() + "/missing"));
}

struct SweepRow {
    const char* name;
    bool restarted;
    std::function<void(const std::string&)> meanwhile;  // what happens to the path
    bool fileRemains;
    platform::SweepResult expected;
};

void PrintTo(const SweepRow& row, std::ostream* os) {
    *os << row.name;
}

class SweepTest : public PendingDeletionsTest, public ::testing::WithParamInterface<SweepRow> {};

// Guards the helper's rules: only earlier boots, and only while the path names the same file.
TEST_P(SweepTest, DeletesOnlyTheRecordedFileOfAnEarlierBoot) {
    const std::string path = Make("victim", "scheduled");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    GetParam().meanwhile(path);
    if (GetParam().restarted) {
        m_bootId = "second-boot";
    }
    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(result.deleted, GetParam().expected.deleted);
    EXPECT_EQ(result.dropped, GetParam().expected.dropped);
    EXPECT_EQ(result.kept, GetParam().expected.kept);
    EXPECT_EQ(fs::exists(path), GetParam().fileRemains);
    EXPECT_EQ(platform::PendingDeletions().size(), static_cast<std::size_t>(result.kept));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SweepTest,
    ::testing::Values(SweepRow{"Restarted", true, [](const std::string&) {}, false, {1, 0, 0}},
                      SweepRow{"SameBoot", false, [](const std::string&) {}, true, {0, 0, 1}},
                      SweepRow{"ReplacedByAnotherFile",
                               true,
                               [](const std::string& path) {
                                   fs::remove(path);
                                   WriteFile(path, "a new file under the old name");
                               },
                               true,
                               {0, 1, 0}},
                      SweepRow{"AlreadyGone",
                               true,
                               [](const std::string& path) { fs::remove(path); },
                               false,
                               {0, 1, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// Guards the lock around the list: entries scheduled at the same time by several processes are
// all kept.
TEST_F(PendingDeletionsTest, ConcurrentSchedulersLoseNoEntry) {
    constexpr int kProcesses = 4;
    constexpr int kEach = 20;
    for (int i = 0; i < kProcesses * kEach; ++i) {
        Make("f" + std::to_string(i), "x");
    }
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = fork();
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < kEach; ++i) {
                std::string name = "/f" + std::to_string(p * kEach + i);
                ok = platform::ScheduleDeletionAtBoot(m_temp.str() + name) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_EQ(platform::PendingDeletions().size(), std::size_t{kProcesses * kEach});
}

// The first scheduling installs the helper's autostart entry; a later one keeps the user's.
TEST_F(PendingDeletionsTest, FirstSchedulingInstallsTheAutostartEntry) {
    const std::string entry = platform::AutostartEntryPath();
    EXPECT_EQ(entry, m_xdg.ConfigHome() + "/autostart/ostrel-pending.desktop");
    const std::string helper = platform::PendingHelperPath();
    ASSERT_FALSE(helper.empty()) << "build the ostrel-pending helper first";
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("a", "x")));
    const std::string text = ReadFile(entry);
    EXPECT_NE(text.find("[Desktop Entry]\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"" + helper + "\"\n"), std::string::npos) << text;

    WriteFile(entry, text + "Hidden=true\n");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("b", "x")));
    EXPECT_EQ(ReadFile(entry), text + "Hidden=true\n");
}

}  // namespace
}  // namespace ostrel::test
