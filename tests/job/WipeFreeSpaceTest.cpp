// The job's side of wiping free space: what its report says when the method is the trash, a flush
// fails or the fill folder's place cannot be trusted (and that nothing of the fill is left then),
// and the notes on what a fill cannot reach.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "core/ShredMethods.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FaultInjection.h"
#include "platform/FreeSpace.h"
#include "tests/job/JobFixture.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// Every path below `root`, links described and never followed.
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        paths.insert(entry.path().string() + (entry.is_symlink() ? " link" : ""));
    }
    return paths;
}

// Where the wipe of a disk mounted at `root` puts its fill folder, run as root with the data
// folder elsewhere.
fs::path FillFolderOf(const fs::path& root) {
    return root / ".ostrel-free-space-0";
}

struct Row {
    const char* name;
    const char* method;
    std::function<void(const fs::path& root)> plant;  // what is on the disk before
    bool flushFails;
    bool refused;         // refused before anything is written; else failed
    std::int16_t saying;  // a language string the report's line on the folder holds
};

class WipeTest : public JobTest {
  protected:
    WipeTest() { OpenLanguageFile("English.lng"); }  // the report's lines are read
};

class WipeReport : public WipeTest, public ::testing::WithParamInterface<Row> {};

TEST_P(WipeReport, SaysWhatHappenedAndLeavesNothingOfTheFill) {
    const Row& row = GetParam();
    LoopMount image(m_temp.path(), "ext4", 16, "-q -F");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    if (row.plant) {
        row.plant(image.Root());
    }
    const std::set<std::string> before = Tree(image.Root());
    forms().options.SetDeleteMethod(row.method);
    if (row.flushFails) {
        platform::InjectFault(platform::SysCall::Fsync, EIO);
    }
    const std::string folder = image.Root().string();
    m_job.WipeFreeSpace(folder);
    platform::ClearFaults();
    const JobReport report = m_job.TakeReport();

    const auto& lines = row.refused ? report.refused : report.failed;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].path, folder);
    const std::string saying = GetLangString(row.saying);
    EXPECT_NE(lines[0].reason.find(saying.substr(0, saying.find('%'))), std::string::npos)
        << lines[0].reason;
    EXPECT_TRUE((row.refused ? report.failed : report.refused).empty());
    EXPECT_EQ(Tree(image.Root()), before) << "the fill left something, or touched what was there";
    EXPECT_TRUE(platform::FillFolderEntries().empty());
    EXPECT_EQ(report.summary.empty(), row.refused) << report.summary;
}

INSTANTIATE_TEST_SUITE_P(
    Ends, WipeReport,
    ::testing::Values(
        Row{"RecycleBin", kMethodRecycle, {}, false, true, lang::kWipeRecycleRefused},
        Row{"FlushFails", kMethodDod3, {}, true, false, lang::kWipeFillStopped},
        // Something planted where the fill folder goes is never used, followed or changed.
        Row{"FillFolderIsALink", kMethodSimple,
            [](const fs::path& root) {
                fs::create_directory(root / "elsewhere");
                fs::create_directory_symlink(root / "elsewhere", FillFolderOf(root));
            },
            false, true, lang::kOwnPathIsLink},
        Row{"FillFolderWritableByOthers", kMethodSimple,
            [](const fs::path& root) {
                fs::create_directory(FillFolderOf(root));
                ::chmod(FillFolderOf(root).c_str(), 0777);
            },
            false, true, lang::kOwnPathWritableByOthers}),
    [](const auto& info) { return std::string(info.param.name); });

// A file system in memory has no old contents in its free space: filling it would only push the
// machine's memory into swap. It is refused before anything is written.
TEST_F(WipeTest, AFileSystemInMemoryIsRefused) {
    const fs::path tmpfs = m_temp.path() / "tmpfs";
    fs::create_directory(tmpfs);
    if (::mount("tmpfs", tmpfs.c_str(), "tmpfs", 0, "size=8m") != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    forms().options.SetDeleteMethod(kMethodSimple);
    m_job.WipeFreeSpace(tmpfs.string());
    const JobReport report = m_job.TakeReport();
    const bool empty = fs::is_empty(tmpfs);
    ::umount2(tmpfs.c_str(), MNT_DETACH);

    ASSERT_EQ(report.refused.size(), 1u);
    EXPECT_NE(report.refused[0].reason.find("tmpfs"), std::string::npos)
        << report.refused[0].reason;
    EXPECT_TRUE(empty);
    EXPECT_TRUE(report.summary.empty()) << report.summary;
}

struct NoteRow {
    const char* name;
    const char* type;
    bool flash;  // the loop device says it is not rotational
    std::int16_t note;
};

class WipeNotes : public WipeTest, public ::testing::WithParamInterface<NoteRow> {};

TEST_P(WipeNotes, NameWhatTheFillCannotReach) {
    const NoteRow& row = GetParam();
    const bool ext4 = row.type == std::string("ext4");
    LoopMount image(m_temp.path(), row.type, ext4 ? 16 : 128, ext4 ? "-q -F" : "-q -f");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    if (row.flash) {
        std::string device;
        if (FILE* pipe =
                ::popen(("findmnt -n -o SOURCE '" + image.Root().string() + "'").c_str(), "r")) {
            char line[256] = {};
            device = std::fgets(line, sizeof line, pipe) != nullptr ? line : "";
            ::pclose(pipe);
        }
        device = fs::path(device.substr(0, device.find('\n'))).filename();
        std::ofstream("/sys/block/" + device + "/queue/rotational") << "0";
    }
    forms().options.SetDeleteMethod(kMethodSimple);
    m_job.WipeFreeSpace(image.Root().string());
    const JobReport report = m_job.TakeReport();

    EXPECT_TRUE(report.Empty()) << report.failed.size() << " failed";
    const std::string note = GetLangString(row.note);
    bool found = false;
    for (const ReportLine& line : report.reachLimited) {
        found |= line.reason.find(note) != std::string::npos;
    }
    EXPECT_TRUE(found) << "no note \"" << note << "\"";
    EXPECT_EQ(fs::is_empty(image.Root()), !ext4);  // ext4 has its lost+found
}

INSTANTIATE_TEST_SUITE_P(Limits, WipeNotes,
                         ::testing::Values(NoteRow{"Flash", "ext4", true, lang::kWipeFlash},
                                           NoteRow{"CopyOnWrite", "btrfs", false,
                                                   lang::kWhyCopyOnWrite}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
