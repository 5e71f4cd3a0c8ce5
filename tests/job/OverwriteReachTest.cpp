// Files on file systems that do not overwrite in place are destroyed as far as the program can
// reach, and the report says which ones may keep their old contents elsewhere, and why.
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "tests/job/JobFixture.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

class OverwriteReachTest : public JobTest {
  protected:
    void SetUp() override {
        const char* programDir = std::getenv("OSTREL_PROGRAM_DIR");
        if (programDir == nullptr) {
            GTEST_SKIP() << "OSTREL_PROGRAM_DIR is not set: run through ctest";
        }
        OpenLanguageFile("English.lng", programDir);
    }
    void TearDown() override { CloseLanguageFile(); }

    ~OverwriteReachTest() override {
        for (const auto& mountPoint : m_unmount) {
            ::umount2(mountPoint.c_str(), MNT_DETACH);
        }
    }

    std::vector<std::string> m_unmount;
};

struct ReachRow {
    const char* name;
    const char* type;  // of the file system made on an image
    const char* mkfsArgs;
    const char* options;
    const char* setUp;  // a command run in the mounted folder before the shred ("" for none)
    std::vector<std::int16_t> why;  // the reasons the report must give; none: no note
    const char* shownName;          // the file system named with them
};

void PrintTo(const ReachRow& row, std::ostream* out) {
    *out << row.name;
}

class ReachRowTest : public OverwriteReachTest, public ::testing::WithParamInterface<ReachRow> {};

// Catches a limit of the file system missed or claimed where it does not hold.
TEST_P(ReachRowTest, NotesExactlyTheLimitsThatHold) {
    const ReachRow& row = GetParam();
    LoopMount image(m_temp.path(), row.type, 160, row.mkfsArgs, row.options);
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    const fs::path root = image.Root();
    WriteFile(root / "secret", std::string(100000, 'S'));
    if (*row.setUp != '\0' &&
        !RunQuietly("cd '" + root.string() + "' && sync && " + std::string(row.setUp))) {
        GTEST_SKIP() << "'" << row.setUp
                     << "' failed: a tool, the feature or a privilege is "
                        "missing (chattr +j needs CAP_SYS_RESOURCE)";
    }

    m_job.ShredSinglePath((root / "secret").string());
    const JobReport report = m_job.TakeReport();

    EXPECT_FALSE(fs::exists(root / "secret"));
    EXPECT_TRUE(report.Empty());
    if (row.why.empty()) {
        EXPECT_TRUE(report.reachLimited.empty()) << report.reachLimited[0].reason;
        return;
    }
    ASSERT_EQ(report.reachLimited.size(), 1u);
    EXPECT_EQ(report.reachLimited[0].path, (root / "secret").string());
    const std::string& reason = report.reachLimited[0].reason;
    for (std::int16_t why : {lang::kWhyCopyOnWrite, lang::kWhySharedBlocks,
                             lang::kWhyNetworkFileSystem, lang::kWhyDataJournal}) {
        const bool expected = std::find(row.why.begin(), row.why.end(), why) != row.why.end();
        ASSERT_FALSE(GetLangString(why).empty());
        EXPECT_EQ(reason.find(GetLangString(why)) != std::string::npos, expected)
            << "reason " << why << " in: " << reason;
    }
    EXPECT_NE(reason.find(std::string("(") + row.shownName + ")"), std::string::npos) << reason;
    if (std::string(row.setUp).find("reflink") != std::string::npos) {
        EXPECT_EQ(ReadFile(root / "original"), std::string(100000, 'S'))
            << "the reflinked original keeps its contents";
    }
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, ReachRowTest,
    ::testing::ValuesIn(std::vector<ReachRow>{
        {"Ext4Ordered", "ext4", "-q -F", "", "", {}, ""},
        {"Ext4DataJournal", "ext4", "-q -F", "data=journal", "", {lang::kWhyDataJournal}, "ext4"},
        {"Ext4JournalledFile",
         "ext4",
         "-q -F",
         "",
         "chattr +j secret",
         {lang::kWhyDataJournal},
         "ext4"},
        {"BtrfsReflinkedCopy",
         "btrfs",
         "-q -f",
         "",
         "mv secret original && cp --reflink=always original secret",
         {lang::kWhyCopyOnWrite, lang::kWhySharedBlocks},
         "btrfs"},
    }),
    [](const auto& info) { return std::string(info.param.name); });

// Catches a file on FUSE (bindfs; exFAT, without hard links) left or failed because the move
// falls back to a new link, or not noted as lying where overwriting may not reach.
TEST_F(OverwriteReachTest, AFileOnFuseIsDestroyedAndNoted) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting needs root";
    }
    for (const std::string driver : {"bindfs", "exfat-fuse"}) {
        SCOPED_TRACE(driver);
        std::unique_ptr<LoopMount> image;
        fs::path root = m_temp.path() / "fuse";
        if (driver == "bindfs") {
            fs::create_directories(m_temp.path() / "under");
            fs::create_directories(root);
            if (!RunQuietly("bindfs '" + (m_temp / "under").string() + "' '" + root.string() +
                            "'")) {
                ADD_FAILURE() << "bindfs is missing or failed (scripts/setup.sh installs it)";
                continue;
            }
            m_unmount.push_back(root.string());
        } else {
            image = std::make_unique<LoopMount>(m_temp.path(), "exfat", 16, "", "", driver);
            if (!image->Mounted()) {
                ADD_FAILURE() << image->Why() << " (scripts/setup.sh installs exfat-fuse)";
                continue;
            }
            root = image->Root();
        }
        const std::string path = (root / "secret").string();
        WriteFile(path, std::string(100000, 'S'));

        m_job.ShredSinglePath(path);
        const JobReport report = m_job.TakeReport();

        EXPECT_FALSE(fs::exists(path));
        EXPECT_TRUE(fs::is_empty(root));
        for (const auto& lines : {report.failed, report.scheduledAtRestart}) {
            for (const ReportLine& line : lines) {
                ADD_FAILURE() << line.path << " (" << line.reason << ")";
            }
        }
        EXPECT_TRUE(report.Empty());
        EXPECT_EQ(report.reachLimited.size(), 1u);
        for (const ReportLine& note : report.reachLimited) {
            EXPECT_EQ(note.path, path);
            EXPECT_NE(note.reason.find(GetLangString(lang::kWhyNetworkFileSystem)),
                      std::string::npos);
            EXPECT_NE(note.reason.find("(fuse"), std::string::npos) << note.reason;
        }
    }
}

}  // namespace
}  // namespace ostrel::test
