#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/OsVersion.h"
#include "platform/PendingDeletions.h"
#include "shredder/DeferredDeletion.h"
#include "tests/shredder/ShredderFixture.h"
#include "tests/support/HolderProcess.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

struct VersionRow {
    const char* name;
    std::uint32_t platform, major, minor, build;
    bool win95, win95Osr2, win98, winMe;
};

platform::VersionSource FakeVersion(const VersionRow& row) {
    return [row](platform::OsVersionInfo& info) {
        info.dwPlatformId = row.platform;
        info.dwMajorVersion = row.major;
        info.dwMinorVersion = row.minor;
        info.dwBuildNumber = row.build;
        return 1;
    };
}

void PrintTo(const VersionRow& row, std::ostream* os) {
    *os << row.name;
}

class VersionTest : public ::testing::TestWithParam<VersionRow> {
  protected:
    ~VersionTest() override { platform::SetVersionSource({}); }
};

// Guards the four release tests, including the signed comparison of the whole build field.
TEST_P(VersionTest, RecognisesExactlyTheFour9xReleases) {
    const VersionRow row = GetParam();
    platform::SetVersionSource(FakeVersion(row));
    EXPECT_EQ(IsWin95(), row.win95);
    EXPECT_EQ(IsWin95OSR2(), row.win95Osr2);
    EXPECT_EQ(IsWin98(), row.win98);
    EXPECT_EQ(IsWinME(), row.winMe);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, VersionTest,
    ::testing::Values(VersionRow{"Win95", 1, 4, 0, 950, true, false, false, false},
                      VersionRow{"Win95Osr2", 1, 4, 0, 1111, false, true, false, false},
                      VersionRow{"Win98", 1, 4, 10, 1998, false, false, true, false},
                      VersionRow{"Win98Se", 1, 4, 10, 2222, false, false, true, false},
                      VersionRow{"WinMe", 1, 4, 90, 3000, false, false, false, true},
                      VersionRow{"Unknown9xBuild", 1, 4, 0, 951, false, false, false, false},
                      VersionRow{"NtFamily", 2, 4, 0, 950, false, false, false, false},
                      VersionRow{"NegativeBuildField", 1, 4, 10, 0x80000000u, false, false, false,
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VersionTest, UnreadableRecordMeansNoneOfThem) {
    platform::SetVersionSource([](platform::OsVersionInfo&) { return 0; });
    EXPECT_FALSE(IsWin95() || IsWin95OSR2() || IsWin98() || IsWinME());
}

struct WinInitRow {
    const char* name;
    std::optional<std::string> existing;
    std::string expected;  // "P" stands for the path
};

void PrintTo(const WinInitRow& row, std::ostream* os) {
    *os << row.name;
}

class WinInitTest : public ShredderTest, public ::testing::WithParamInterface<WinInitRow> {};

// Guards the exact bytes of the 9x way: header only for a new file, a line break only where the
// old text lacks one, the old text kept up to its first NUL whatever its length.
TEST_P(WinInitTest, AppendsOneNulLine) {
    setenv("WinDir", m_temp.str().c_str(), 1);
    const std::string winInit = m_temp.str() + "/WinInit.ini";
    if (GetParam().existing) {
        WriteFile(winInit, *GetParam().existing);
    }
    const std::string path = "/some where/\xE9t\xE9.tmp";
    ASSERT_TRUE(AppendWinInitEntry(path));
    std::string expected = GetParam().expected;
    expected.replace(expected.find('P'), 1, path);
    EXPECT_EQ(ReadFile(winInit), expected);
    unsetenv("WinDir");
}

INSTANTIATE_TEST_SUITE_P(
    Files, WinInitTest,
    ::testing::Values(
        WinInitRow{"NoFile", std::nullopt, "[Rename]\r\nNUL=P\r\n"},
        WinInitRow{"NoLineEnd", "[Rename]\r\nNUL=a", "[Rename]\r\nNUL=a\r\nNUL=P\r\n"},
        WinInitRow{"LineEnd", "[Rename]\r\n", "[Rename]\r\nNUL=P\r\n"},
        WinInitRow{"OneCharacter", "x", "xNUL=P\r\n"},
        WinInitRow{"Nul", std::string("[Rename]\r\n\0junk", 15), "[Rename]\r\nNUL=P\r\n"},
        WinInitRow{"Long", std::string(40000, 'L') + "\r\n",
                   std::string(40000, 'L') + "\r\nNUL=P\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// On a 9x release the fallback writes WinInit.ini (two files: two lines) and not the pending
// list; on this system it takes the pending list.
TEST_F(ShredderTest, FallbackOn9xWritesWinInitAndOtherwiseThePendingList) {
    setenv("WinDir", m_temp.str().c_str(), 1);
    platform::SetVersionSource(FakeVersion({"Win98Se", 1, 4, 10, 2222, false, false, true, false}));
    std::string expected = "[Rename]\r\n";
    for (const char* name : {"one.dat", "two.dat"}) {
        std::string path = MakeFile(name, "locked");
        HolderProcess holder(path, HolderProcess::Hold::Open);
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::ScheduledAtRestart);
        expected += "NUL=" + path + "\r\n";
    }
    EXPECT_EQ(ReadFile(m_temp / "WinInit.ini"), expected);
    EXPECT_TRUE(platform::PendingDeletions().empty());

    platform::SetVersionSource({});
    fs::remove(m_temp / "WinInit.ini");
    std::string path = MakeFile("three.dat", "locked");
    HolderProcess holder(path, HolderProcess::Hold::Open);
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_FALSE(fs::exists(m_temp / "WinInit.ini"));
    EXPECT_EQ(platform::PendingDeletions().size(), 1u);
    unsetenv("WinDir");
}

}  // namespace
}  // namespace ostrel::test
