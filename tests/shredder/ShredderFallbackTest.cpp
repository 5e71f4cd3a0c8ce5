#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "shredder/DeferredDeletion.h"
#include "shredder/FillData.h"
#include "tests/shredder/ShredderFixture.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/ScopedEnv.h"

namespace ostrel::test {
namespace {

// Another user's file in one's own folder, and one's own file in another user's folder: neither
// can be destroyed, so not a byte is written and nothing is moved.
TEST_F(ShredderTest, WhatThisUserMayNotWriteOrRemoveIsLeftIntact) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files of two users";
    }
    constexpr uid_t kNobody = 65534;
    fs::permissions(m_temp.path(), fs::perms::all);
    const fs::path data = m_temp.path() / "nobody-data", theirs = m_temp.path() / "theirs",
                   locked = m_temp.path() / "locked";
    fs::create_directories(data / "Safetemp");
    fs::create_directories(theirs);
    fs::create_directories(locked);
    WriteFile(theirs / "root-file", "root's");
    WriteFile(locked / "own-file", "nobody's");
    for (const fs::path& path : {data, data / "Safetemp", theirs, locked / "own-file"}) {
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    }
    fs::permissions(data / "Safetemp", fs::perms::owner_all, fs::perm_options::replace);
    const int result = RunInChild([&] {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) {
            return 10;
        }
        gDataFolder = data.string();
        for (const fs::path& path : {theirs / "root-file", locked / "own-file"}) {
            std::string given = path.string();
            if (Shred(kMethodSimple, given) != ShredOutcome::NotOverwritten) {
                return 20;
            }
        }
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(theirs / "root-file"), "root's");
    EXPECT_EQ(ReadFile(locked / "own-file"), "nobody's");
    EXPECT_TRUE(fs::is_empty(data / "Safetemp"));
}
// The move never replaces a file already in the holding folder, nor uses one others can enter.
TEST_F(ShredderTest, RandomNamesAndTheMoveIntoTheHoldingFolder) {
    platform::SetClockSource([] { return 1000.5; });
    SeedRandom(77);
    const std::string drawn = RandFileName();
    SeedRandom(77);
    WriteFile(Holding() + drawn, "already here");
    std::string path = MakeFile("victim.dat", std::string(5000, 'M'));
    const std::string entryPath = path;
    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(ReadFile(Holding() + drawn), "already here");
    EXPECT_EQ(path, entryPath);
    EXPECT_EQ(ReadFile(entryPath), std::string(5000, ' '));

    fs::permissions(Holding(), fs::perms::others_exec, fs::perm_options::add);
    std::string secret = MakeFile("secret.dat", "secret");
    EXPECT_EQ(Shred(kMethodSimple, secret), ShredOutcome::NotOverwritten);
    EXPECT_EQ(ReadFile(secret), "secret");
    EXPECT_EQ(HeldNames(), std::vector<std::string>{drawn});
}

// When the holding folder lies on another file system the file is renamed in its own folder, and
// only after its new name is on the in-progress list.
TEST_F(ShredderTest, TheInProgressEntryIsWrittenBeforeTheRenameInPlace) {
    for (const bool listWritable : {true, false}) {
        SCOPED_TRACE(listWritable ? "list writable" : "list not writable");
        std::string path = MakeFile("far away.dat", std::string(5000, 'F'));
        const std::string entryPath = path;
        std::vector<std::string> listed;
        m_host.onDoEvents = [&] {
            for (const auto& entry : platform::InProgressEntries()) {
                listed.push_back(entry.path);
            }
        };
        platform::InjectFault(platform::SysCall::Rename, EXDEV, 0, 1);  // into the holding folder
        if (!listWritable) {
            platform::InjectFault(platform::SysCall::Replace, EIO, 0, 1);  // the list's write
        }
        const ShredOutcome outcome = Shred(kMethodSimple, path);
        m_host.onDoEvents = nullptr;
        platform::ClearFaults();

        EXPECT_TRUE(HeldNames().empty());
        EXPECT_TRUE(platform::InProgressEntries().empty());
        if (listWritable) {
            EXPECT_EQ(outcome, ShredOutcome::Destroyed);
            EXPECT_EQ(fs::path(path).parent_path(), m_temp.path());
            EXPECT_TRUE(!listed.empty() && listed.front() == path) << "listed before the passes";
        } else {
            EXPECT_EQ(outcome, ShredOutcome::Destroyed);
            EXPECT_EQ(path, entryPath);
            EXPECT_TRUE(listed.empty());
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(m_temp.path()), {}), 1)
            << "the data folder alone";
    }
}

using Hold = HolderProcess::Hold;

// Name, how the file is held.
using ObstacleRow = std::tuple<std::string_view, Hold>;

class CannotOpenTest : public ShredderTest, public ::testing::WithParamInterface<ObstacleRow> {};

// A file that cannot be opened without sharing gets spaces where it can be written and exactly one
// pending entry.
TEST_P(CannotOpenTest, SpacesOnePendingEntryAndDeletionOnlyAfterARestart) {
    const Hold how = std::get<1>(GetParam());
    std::string path =
        MakeFile("victim.dat", how == Hold::Run ? ReadFile("/bin/sleep") : std::string(50000, 'M'));
    std::optional<HolderProcess> holder;
    fs::permissions(path, fs::perms::owner_all);  // runnable, for Hold::Run
    if (how == Hold::Flock) {  // no lease permitted: the shredder's flock must then refuse
        platform::InjectFault(platform::SysCall::Lease, EACCES);
    }
    holder.emplace(path, how);
    ASSERT_TRUE(holder->Holding());
    platform::SetBootIdSource([] { return std::string("boot-before-restart"); });
    const std::string before = ReadFile(path);

    if (how == Hold::Run) {  // not a byte can be written: left as it was, where it was
        const std::string entryPath = path;
        EXPECT_EQ(Shred(kMethodDod7, path), ShredOutcome::NotOverwritten);
        EXPECT_EQ(ReadFile(entryPath), before);
        EXPECT_TRUE(platform::PendingDeletions().empty());
        return;
    }
    EXPECT_EQ(Shred(kMethodDod7, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(ReadFile(path), std::string(before.size(), ' '));
    ASSERT_EQ(platform::PendingDeletions().size(), 1u);
    EXPECT_EQ(platform::PendingDeletions()[0].path, path);

    holder.reset();
    EXPECT_EQ(platform::DeletePendingFromEarlierBoots().kept, 1);
    EXPECT_TRUE(fs::exists(path));
    // The real helper program, in this process's sandbox, reads the kernel's boot id.
    const std::string helper = platform::PendingHelperPath();
    ASSERT_FALSE(helper.empty()) << "build the ostrel-pending helper first";
    ASSERT_EQ(std::system(("'" + helper + "'").c_str()), 0);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Obstacles, CannotOpenTest,
    ::testing::ValuesIn(std::vector<ObstacleRow>{
        {"HeldOpen", Hold::Open}, {"Flock", Hold::Flock}, {"RunningProgram", Hold::Run}}),
    kRowName);

platform::VersionSource FakeVersion(std::uint32_t platform, std::uint32_t minor,
                                    std::uint32_t build) {
    return [=](platform::OsVersionInfo& info) {
        info = {info.dwOSVersionInfoSize, 4, minor, build, platform};
        return 1;
    };
}

// On a 9x release the fallback writes WinInit.ini, not the pending list: a header only for a new
// file, a line break only where the old text lacks one, the old text kept up to its first NUL.
TEST_F(ShredderTest, NineXReleasesAndWinInitGetsOneNulLinePerFile) {
    ScopedEnv winDir("WinDir", m_temp.str());
    const std::string winInit = m_temp.str() + "/WinInit.ini";
    const std::string path = "/some where/\xE9t\xE9.tmp";
    const std::string line = "NUL=" + path + "\r\n";
    for (const auto& [before, after] :
         {std::pair<std::string, std::string>{"", "[Rename]\r\n" + line + line},
          {"[Rename]\r\nNUL=a", "[Rename]\r\nNUL=a\r\n" + line},
          {"x", "x" + line},
          {std::string("[Rename]\r\n\0junk", 15), "[Rename]\r\n" + line}}) {
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
