#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "shredder/DeferredDeletion.h"
#include "tests/shredder/ShredderFixture.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/ScopedEnv.h"

namespace ostrel::test {
namespace {

using Hold = HolderProcess::Hold;

struct ObstacleRow {
    const char* name;
    std::optional<Hold> holder;  // none: the file is not writable
};

void PrintTo(const ObstacleRow& row, std::ostream* os) {
    *os << row.name;
}

class CannotOpenTest : public ShredderTest, public ::testing::WithParamInterface<ObstacleRow> {};

// A file that cannot be opened without sharing gets spaces where it can be written and exactly
// one pending entry; the helper deletes it after a restart, not before.
TEST_P(CannotOpenTest, SpacesOnePendingEntryAndDeletionOnlyAfterARestart) {
    const std::optional<Hold> how = GetParam().holder;
    std::string path =
        MakeFile("victim.dat", how == Hold::Run ? ReadFile("/bin/sleep") : std::string(50000, 'M'));
    auto chattr = [&](const char* flag) {
        return std::system(("chattr " + std::string(flag) + " '" + path + "' 2>/dev/null").c_str());
    };
    std::optional<HolderProcess> holder;
    if (how) {
        fs::permissions(path, fs::perms::owner_all);  // runnable, for Hold::Run
        if (how == Hold::Flock) {  // no lease permitted: the shredder's flock must then refuse
            platform::InjectFault(platform::SysCall::Lease, EACCES);
        }
        holder.emplace(path, *how);
        ASSERT_TRUE(holder->Holding());
    } else if (geteuid() != 0) {
        fs::permissions(path, fs::perms::owner_read);
    } else if (chattr("+i") != 0) {
        GTEST_SKIP() << "no immutable attribute on this file system, and root ignores modes";
    }
    platform::SetBootIdSource([] { return std::string("boot-before-restart"); });
    const std::string before = ReadFile(path);

    EXPECT_EQ(Shred(kMethodDod7, path), ShredOutcome::ScheduledAtRestart);
    const bool writable = how == Hold::Open || how == Hold::Flock;
    EXPECT_EQ(ReadFile(path), writable ? std::string(before.size(), ' ') : before);
    const auto pending = platform::PendingDeletions();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].path, path);

    holder.reset();
    chattr("-i");
    EXPECT_EQ(platform::DeletePendingFromEarlierBoots().kept, 1);
    EXPECT_TRUE(fs::exists(path));
    // The real helper program, in this process's sandbox, reads the kernel's boot id.
    const std::string helper = platform::PendingHelperPath();
    ASSERT_FALSE(helper.empty()) << "build the ostrel-pending helper first";
    ASSERT_EQ(std::system(("'" + helper + "'").c_str()), 0);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

INSTANTIATE_TEST_SUITE_P(Obstacles, CannotOpenTest,
                         ::testing::Values(ObstacleRow{"HeldOpen", Hold::Open},
                                           ObstacleRow{"Flock", Hold::Flock},
                                           ObstacleRow{"RunningProgram", Hold::Run},
                                           ObstacleRow{"NotWritable", std::nullopt}),
                         ::testing::PrintToStringParamName());

platform::VersionSource FakeVersion(std::uint32_t platform, std::uint32_t minor,
                                    std::uint32_t build) {
    return [=](platform::OsVersionInfo& info) {
        info.dwPlatformId = platform;
        info.dwMajorVersion = 4;
        info.dwMinorVersion = minor;
        info.dwBuildNumber = build;
        return 1;
    };
}

// The four release tests, including the signed comparison of the whole build field.
TEST_F(ShredderTest, VersionTestsRecogniseExactlyTheFour9xReleases) {
    using Row = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, const char*>;
    for (const auto& [id, minor, build, matches] :  // which of 95, OSR2, 98, ME answer True
         {Row{1, 0, 950, "1000"}, Row{1, 0, 1111, "0100"}, Row{1, 10, 1998, "0010"},
          Row{1, 90, 3000, "0001"}, Row{1, 0, 951, "0000"}, Row{2, 0, 950, "0000"},
          Row{1, 10, 0x80000000u, "0000"}}) {
        platform::SetVersionSource(FakeVersion(id, minor, build));
        const std::string got = {char('0' + IsWin95()), char('0' + IsWin95OSR2()),
                                 char('0' + IsWin98()), char('0' + IsWinME())};
        EXPECT_EQ(got, matches) << id << " 4." << minor << " " << build;
    }
    platform::SetVersionSource([](platform::OsVersionInfo&) { return 0; });
    EXPECT_FALSE(IsWin95() || IsWin95OSR2() || IsWin98() || IsWinME());
}

// The exact bytes of the 9x way: a header only for a new file, a line break only where the old
// text lacks one, the old text kept up to its first NUL whatever its length; and on a 9x release
// the fallback writes WinInit.ini, not the pending list.
TEST_F(ShredderTest, WinInitGetsOneNulLinePerFile) {
    ScopedEnv winDir("WinDir", m_temp.str());
    const std::string winInit = m_temp.str() + "/WinInit.ini";
    const std::string path = "/some where/\xE9t\xE9.tmp";
    const std::string line = "NUL=" + path + "\r\n";
    const std::string longText(40000, 'L');
    for (const auto& [before, after] :
         {std::pair<std::string, std::string>{"", "[Rename]\r\n" + line + line},
          {"[Rename]\r\nNUL=a", "[Rename]\r\nNUL=a\r\n" + line},
          {"x", "x" + line},
          {std::string("[Rename]\r\n\0junk", 15), "[Rename]\r\n" + line},
          {longText, longText + "\r\n" + line}}) {
        fs::remove(winInit);
        if (!before.empty()) {
            WriteFile(winInit, before);
        } else {
            AppendWinInitEntry(path);  // no file yet: created with its header; then a second
        }
        ASSERT_TRUE(AppendWinInitEntry(path));
        EXPECT_EQ(ReadFile(winInit), after) << before.substr(0, 20);
    }

    fs::remove(winInit);
    platform::SetVersionSource(FakeVersion(1, 10, 2222));
    std::string locked = MakeFile("locked.dat", "locked");
    HolderProcess holder(locked, Hold::Open);
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(Shred(kMethodDod3, locked), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(ReadFile(winInit), "[Rename]\r\nNUL=" + locked + "\r\n");
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

}  // namespace
}  // namespace ostrel::test
