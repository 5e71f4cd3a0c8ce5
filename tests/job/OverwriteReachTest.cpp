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

    // Mounts `type` (tmpfs or overlay, no image) at `mountPoint`; false when not permitted.
    bool MountWithoutImage(const std::string& type, const fs::path& mountPoint) {
        fs::create_directories(mountPoint);
        std::string command = "mount -t tmpfs tmpfs '" + mountPoint.string() + "'";
        if (type == "overlay") {
            for (const char* layer : {"lower", "upper", "work"}) {
                fs::create_directories(m_temp.path() / layer);
            }
            WriteFile(m_temp.path() / "lower/secret", "in the lower layer");
            command = "mount -t overlay overlay -o lowerdir='" + (m_temp / "lower").string() +
                      "',upperdir='" + (m_temp / "upper").string() + "',workdir='" +
                      (m_temp / "work").string() + "' '" + mountPoint.string() + "'";
        }
        if (::geteuid() != 0 || !RunQuietly(command)) {
            return false;
        }
        m_unmount.push_back(mountPoint.string());
        return true;
    }

    ~OverwriteReachTest() override {
        for (const auto& mountPoint : m_unmount) {
            ::umount2(mountPoint.c_str(), MNT_DETACH);
        }
    }

    std::vector<std::string> m_unmount;
};

struct ReachRow {
    const char* name;
    const char* type;  // a file system made on an image, or "tmpfs" / "overlay"
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

// The file is destroyed (nothing in the report counts as a failure) and the notes name it with
// exactly the reasons that hold on that file system.
TEST_P(ReachRowTest, NotesExactlyTheLimitsThatHold) {
    const ReachRow& row = GetParam();
    const std::string type = row.type;
    std::unique_ptr<LoopMount> image;
    fs::path root = m_temp.path() / "mnt";
    if (type == "tmpfs" || type == "overlay") {
        if (!MountWithoutImage(type, root)) {
            GTEST_SKIP() << "mounting " << type << " needs root and kernel support";
        }
    } else {
        image = std::make_unique<LoopMount>(m_temp.path(), type, 160, row.mkfsArgs, row.options);
        if (!image->Mounted()) {
            GTEST_SKIP() << image->Why();
        }
        root = image->Root();
    }
    if (type != "overlay") {
        WriteFile(root / "secret", std::string(100000, 'S'));
    }
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
        {"Btrfs", "btrfs", "-q -f", "", "", {lang::kWhyCopyOnWrite}, "btrfs"},
        {"BtrfsReflinkedCopy",
         "btrfs",
         "-q -f",
         "",
         "mv secret original && cp --reflink=always original secret",
         {lang::kWhyCopyOnWrite, lang::kWhySharedBlocks},
         "btrfs"},
        {"Tmpfs", "tmpfs", "", "", "", {}, ""},
        {"OverlayLowerLayer", "overlay", "", "", "", {lang::kWhyCopyOnWrite}, "overlay"},
    }),
    [](const auto& info) { return std::string(info.param.name); });

// A file given directly on a FUSE file system: bindfs over a folder, and exFAT through its FUSE
// driver. Neither renames without the risk of replacing a name, so the move falls back to a
// new link and the old name's removal, after which FUSE may still count two names for a while;
// exFAT has no hard links at all. The file is destroyed all the same, noted as lying where
// overwriting may not reach, and nothing calls it immutable.
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

// However many files are affected, the report says so once, after what failed, naming each
// file; a job whose only news are notes still counts as having destroyed everything.
TEST_F(OverwriteReachTest, OneNoteForTheWholeJobAfterTheFailures) {
    LoopMount image(m_temp.path(), "btrfs", 160, "-q -f");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    fs::create_directories(image.Root() / "tree");
    for (const char* name : {"a", "b", "c"}) {
        WriteFile(image.Root() / "tree" / name, name);
    }
    m_job.ShredSinglePath((image.Root() / "tree").string());
    m_job.ShredSinglePath((m_temp.path() / "missing").string());
    ShowJobReport(m_job.TakeReport());

    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    const std::string& text = m_host.msgBoxes[0].text;
    const std::string heading = GetLangString(lang::kReportOverwriteReach);
    EXPECT_EQ(Count(std::ostringstream(text), heading), 1) << text;
    EXPECT_LT(text.find(GetLangString(lang::kReportNotFound)), text.find(heading));
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_NE(text.find((image.Root() / "tree" / name).string()), std::string::npos) << text;
    }
    EXPECT_FALSE(fs::exists(image.Root() / "tree"));

    m_host.msgBoxes.clear();
    WriteFile(image.Root() / "alone", "alone");
    m_job.ShredSinglePath((image.Root() / "alone").string());
    const JobReport notesOnly = m_job.TakeReport();
    EXPECT_TRUE(notesOnly.Empty()) << "a note is no failure: the exit status stays 0";
    ShowJobReport(notesOnly);
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_TRUE(m_host.msgBoxes[0].text.starts_with(heading)) << m_host.msgBoxes[0].text;
}

}  // namespace
}  // namespace ostrel::test
