#include <cstdlib>
#include <filesystem>

#include "platform/OsVersion.h"
#include "platform/PendingDeletions.h"
#include "shredder/DeferredDeletion.h"
#include "tests/shredder/ShredderFixture.h"
#include "tests/support/HolderProcess.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

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

// Guards the four release tests, including the signed comparison of the whole build field.
TEST_F(ShredderTest, VersionTestsRecogniseExactlyTheFour9xReleases) {
    struct Row {
        std::uint32_t platform, minor, build;
        const char* matches;  // which of 95, OSR2, 98, ME answer True
    };
    for (const Row& row :
         {Row{1, 0, 950, "1000"}, Row{1, 0, 1111, "0100"}, Row{1, 10, 1998, "0010"},
          Row{1, 90, 3000, "0001"}, Row{1, 0, 951, "0000"}, Row{2, 0, 950, "0000"},
          Row{1, 10, 0x80000000u, "0000"}}) {
        platform::SetVersionSource(FakeVersion(row.platform, row.minor, row.build));
        std::string got = {char('0' + IsWin95()), char('0' + IsWin95OSR2()), char('0' + IsWin98()),
                           char('0' + IsWinME())};
        EXPECT_EQ(got, row.matches) << row.platform << " 4." << row.minor << " " << row.build;
    }
    platform::SetVersionSource([](platform::OsVersionInfo&) { return 0; });
    EXPECT_FALSE(IsWin95() || IsWin95OSR2() || IsWin98() || IsWinME());
}

// Guards the exact bytes of the 9x way: a header only for a new file, a line break only where
// the old text lacks one, the old text kept up to its first NUL whatever its length.
TEST_F(ShredderTest, WinInitGetsOneNulLinePerFile) {
    setenv("WinDir", m_temp.str().c_str(), 1);
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
    unsetenv("WinDir");
}

// On a 9x release the fallback writes WinInit.ini and not the pending list.
TEST_F(ShredderTest, FallbackOn9xWritesWinInitNotThePendingList) {
    setenv("WinDir", m_temp.str().c_str(), 1);
    platform::SetVersionSource(FakeVersion(1, 10, 2222));
    std::string path = MakeFile("locked.dat", "locked");
    HolderProcess holder(path, HolderProcess::Hold::Open);
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(ReadFile(m_temp / "WinInit.ini"), "[Rename]\r\nNUL=" + path + "\r\n");
    EXPECT_TRUE(platform::PendingDeletions().empty());
    unsetenv("WinDir");
}

}  // namespace
}  // namespace ostrel::test
