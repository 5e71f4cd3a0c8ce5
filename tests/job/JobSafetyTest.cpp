// The job never reaches past what it was given, and says what it could not do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "core/Globals.h"
#include "core/ShredMethods.h"
#include "job/ProtectedFolders.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"
#include "platform/ProgramFolder.h"
#include "tests/job/JobFixture.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

class JobSafetyTest : public JobTest {
  protected:
    JobSafetyTest() { OpenLanguageFile("English.lng"); }  // the report's reasons are read
    ~JobSafetyTest() override { CloseLanguageFile(); }

    // Runs `body` (0: passed) as nobody when root, who reads every folder; the sandbox is given
    // to nobody so that only the folder the test closes is closed to it.
    int AsOrdinaryUser(const std::function<int()>& body) {
        if (geteuid() != 0) {
            return body();
        }
        EXPECT_EQ(std::system(("chown -R 65534:65534 '" + m_temp.str() + "' '" +
                               fs::path(m_xdg.Home()).parent_path().string() + "'")
                                  .c_str()),
                  0);
        return RunInChild([&] { return setgid(65534) == 0 && setuid(65534) == 0 ? body() : 10; });
    }
};

// Catches a folder swapped after the walk (for a link, or another folder) being followed.
TEST_F(JobSafetyTest, FolderSwappedAfterTheWalkLeadsNowhere) {
    for (const bool byLink : {true, false}) {
        SCOPED_TRACE(byLink ? "link" : "other folder");
        const fs::path tree = m_temp.path() / "tree";
        const fs::path outside = m_temp.path() / "outside";
        MakeFile("tree/first", "1");
        MakeFile("tree/sub/a", "given");
        MakeFile("tree/sub/b", "given");
        MakeFile("outside/a", "not given");
        MakeFile("outside/b", "not given");
        bool swapped = false;
        m_host.onDoEvents = [&] {
            if (!swapped) {  // the first event comes after the walk, before any file
                swapped = true;
                fs::rename(tree / "sub", m_temp.path() / "moved");
                if (byLink) {
                    fs::create_directory_symlink(outside, tree / "sub");
                } else {
                    fs::rename(outside, tree / "sub");
                }
            }
        };
        m_job.ShredSinglePath(tree.string());
        m_host.onDoEvents = nullptr;

        const fs::path other = byLink ? outside : tree / "sub";
        EXPECT_EQ(ReadFile(other / "a"), "not given");
        EXPECT_EQ(ReadFile(other / "b"), "not given");
        EXPECT_FALSE(fs::exists(tree / "first"));
        const JobReport report = m_job.TakeReport();
        ASSERT_EQ(report.foldersLeft.size(), 1u);
        EXPECT_EQ(report.foldersLeft[0].reason, "changed while the job ran; 2 files left");
        fs::remove_all(tree);
        fs::remove_all(outside);
        fs::remove_all(m_temp.path() / "moved");
    }
}

// Catches the trash following a folder swapped for a link while the job is inside it.
TEST_F(JobSafetyTest, TrashFollowsNoFolderSwappedWhileTheJobIsInIt) {
    forms().options.SetDeleteMethod(kMethodRecycle);
    const fs::path tree = m_temp.path() / "tree";
    const fs::path outside = m_temp.path() / "outside";
    constexpr int kFiles = 30;
    for (int i = 0; i < kFiles; ++i) {
        MakeFile("tree/sub/s" + std::to_string(i), "given " + std::to_string(i));
        MakeFile("outside/s" + std::to_string(i), "not given");
    }
    bool swapped = false;
    m_host.onDoEvents = [&] {
        int left = 0;
        for (int i = 0; i < kFiles && !swapped; ++i) {
            left += fs::exists(tree / "sub" / ("s" + std::to_string(i))) ? 1 : 0;
        }
        if (!swapped && left < kFiles) {  // the job has begun on the folder's files
            swapped = true;
            fs::rename(tree / "sub", m_temp.path() / "moved");
            fs::create_directory_symlink(outside, tree / "sub");
        }
    };
    m_job.ShredSinglePath(tree.string());
    m_host.onDoEvents = nullptr;
    ASSERT_TRUE(swapped);

    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(ReadFile(outside / ("s" + std::to_string(i))), "not given") << i;
    }
    const fs::path trashed = fs::path(m_xdg.DataHome()) / "Trash/files";
    int inTrash = 0;
    for (const auto& entry : fs::directory_iterator(trashed)) {
        EXPECT_EQ(ReadFile(entry.path()), "given " + entry.path().filename().string().substr(1));
        ++inTrash;
    }
    EXPECT_EQ(inTrash, kFiles);
    EXPECT_TRUE(fs::is_empty(m_temp.path() / "moved"));
}

// Catches a protected path (root and its entries, home, current, own folders and those above
// them) let through in some spelling.
TEST_F(JobSafetyTest, RootHomeCurrentAndOwnFoldersAreRefused) {
    MakeFile("work/keep", "keep");
    fs::create_directories(m_temp.path() / "work/here");
    const fs::path previous = fs::current_path();
    fs::current_path(m_temp.path() / "work/here");
    const ProtectedFolders protect = ProtectedFolders::Find();
    auto refusal = [&](const std::string& path) {
        const auto [folder, name] = platform::SplitFolderAndName(path);
        const platform::Folder parent = platform::Folder::Open(folder);
        return protect.Refusal(path, parent, parent.IsOpen() ? parent.Stat(name) : std::nullopt);
    };
    const std::string data = gDataFolder;
    const struct {
        std::string path;
        std::int16_t why;
    } rows[] = {{"/", lang::kWhyTopFolder},
                {"/usr", lang::kWhyTopFolder},
                {"/bin", lang::kWhyTopFolder},  // a link directly below "/" too
                {"../here/", lang::kWhyCurrentFolder},
                {"../../work", lang::kWhyCurrentFolder},
                {m_xdg.Home(), lang::kWhyHomeFolder},
                {data, lang::kWhyProgramFolders},
                {m_xdg.Home() + "/.local", lang::kWhyProgramFolders},
                {data + "/Safetemp", lang::kWhyProgramFolders},
                {data + "/Safetemp.lock", lang::kWhyProgramFolders},
                {platform::ProgramFolder(), lang::kWhyProgramFolders},
                {"../keep", 0},
                {m_temp.str(), 0}};
    for (const auto& row : rows) {
        EXPECT_EQ(refusal(row.path), row.why) << row.path;
    }
    m_job.ShredSinglePath(data + "/..");
    m_job.ShredSinglePath(".");
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_directory(Holding()));
    EXPECT_EQ(ReadFile(m_temp.path() / "work/keep"), "keep");
    EXPECT_EQ(m_job.TakeReport().refused.size(), 2u);
}

// Catches a given link followed at its last component, and a protected folder reached through
// links in the folders leading to a given path.
TEST_F(JobSafetyTest, LinksLeadingToAGivenPathAreFollowedAndWhereTheyLeadIsChecked) {
    const fs::path t = m_temp.path();
    MakeFile("data/Documents/secret.pdf", "secret");
    MakeFile("data/Documents/deeper/kept", "through two links");
    MakeFile("data/target/stays", "stays");
    fs::create_directory_symlink("data/Documents", t / "Documents");  // relative, as ln -s makes
    fs::create_directory_symlink(t / "Documents", t / "again");       // a link to a link
    fs::create_directory_symlink("data/target", t / "last-slash");
    fs::create_directory_symlink("/", t / "rootlink");
    fs::create_directory_symlink(m_xdg.Home(), t / "homelink");
    fs::create_directory_symlink(gDataFolder, t / "ownlink");

    for (const std::string given : {"Documents/secret.pdf", "again/deeper/kept", "last-slash/"}) {
        m_job.ShredSinglePath((t / given).string());
    }
    EXPECT_FALSE(fs::exists(t / "data/Documents/secret.pdf"));
    EXPECT_FALSE(fs::exists(t / "data/Documents/deeper/kept"));
    EXPECT_TRUE(fs::is_directory(t / "data/Documents")) << "only what was named goes";
    EXPECT_TRUE(fs::is_symlink(t / "Documents"));
    EXPECT_FALSE(fs::is_symlink(t / "last-slash"));
    EXPECT_EQ(ReadFile(t / "data/target/stays"), "stays") << "and never followed";
    EXPECT_TRUE(m_job.TakeReport().Empty());

    const struct {
        std::string given;
        std::string why;
    } refused[] = {{"rootlink/tmp", "the root folder or a folder directly below it"},
                   {"homelink/.", "your home folder"},
                   {"ownlink/Safetemp", "holds Ostrel's own folders"}};
    for (const auto& row : refused) {
        m_job.ShredSinglePath((t / row.given).string());
        const JobReport report = m_job.TakeReport();
        ASSERT_EQ(report.refused.size(), 1u) << row.given;
        EXPECT_EQ(report.refused[0].reason, row.why) << row.given;
        EXPECT_TRUE(report.notFound.empty()) << row.given;
    }
    EXPECT_TRUE(fs::is_directory(Holding()));
    EXPECT_TRUE(fs::is_directory(m_xdg.Home()));

    // HOME given through a link.
    const ScopedEnv linkedHome("HOME", (t / "homelink").string());
    const platform::Folder above = platform::Folder::Open(fs::path(m_xdg.Home()).parent_path());
    EXPECT_EQ(ProtectedFolders::Find().Refusal(m_xdg.Home(), above, above.Stat("home")),
              lang::kWhyHomeFolder);
}

// Catches a file that cannot be overwritten being scheduled, moved or reported without reason,
// and the user's own read-only file being refused.
TEST_F(JobSafetyTest, WhatCannotBeOverwrittenIsLeftIntactAndSaysWhy) {
    const std::string own = MakeFile("own-read-only", "mine");
    fs::permissions(own, fs::perms::owner_read);
    m_job.ShredSinglePath(own);
    EXPECT_FALSE(fs::exists(own)) << "a mode alone does not protect the user's own file";

    if (geteuid() != 0) {
        GTEST_SKIP() << "read-only mounts, immutable files and other users' files need root";
    }
    const fs::path ro = m_temp.path() / "ro";
    fs::create_directories(ro);
    ASSERT_EQ(mount("none", ro.c_str(), "tmpfs", 0, "size=1m"), 0);
    WriteFile(ro / "file", "on a read-only file system");
    ASSERT_EQ(mount("none", ro.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    const std::string immutable = MakeFile("immutable", "immutable");
    const bool attributes = std::system(("chattr +i '" + immutable + "'").c_str()) == 0;

    m_job.ShredSinglePath((ro / "file").string());
    m_job.ShredSinglePath(immutable);

    EXPECT_EQ(ReadFile(ro / "file"), "on a read-only file system");
    umount(ro.c_str());
    std::system(("chattr -i '" + immutable + "'").c_str());
    const JobReport report = m_job.TakeReport();
    EXPECT_TRUE(report.scheduledAtRestart.empty());
    EXPECT_TRUE(platform::PendingDeletions().empty());
    ASSERT_EQ(report.failed.size(), attributes ? 2u : 1u);
    EXPECT_EQ(report.failed[0].path, (ro / "file").string());
    EXPECT_NE(report.failed[0].reason.find("read-only file system"), std::string::npos);
    if (attributes) {
        EXPECT_EQ(ReadFile(immutable), "immutable");
        EXPECT_NE(report.failed[1].reason.find("immutable"), std::string::npos);
    }
}

// Catches an unreadable folder of a tree left unnamed, or what is in it touched.
TEST_F(JobSafetyTest, UnreadableFolderIsKeptAndNamed) {
    MakeFile("tree/plain", "goes");
    const std::string hidden = MakeFile("tree/locked/inside", "kept");
    const int result = AsOrdinaryUser([&] {
        fs::permissions(m_temp.path() / "tree/locked", fs::perms::none);
        m_job.ShredSinglePath((m_temp.path() / "tree").string());
        const JobReport report = m_job.TakeReport();
        const bool named =
            report.foldersLeft == std::vector<ReportLine>{{(m_temp.path() / "tree/locked").string(),
                                                           "could not be read"}};
        return named && !fs::exists(m_temp.path() / "tree/plain") ? 0 : 1;
    });
    fs::permissions(m_temp.path() / "tree/locked", fs::perms::owner_all);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(hidden), "kept");
}

// Catches a file in a closed folder (no read, or no search permission) reported as not found or
// with a reason left by later work instead of the failing call's.
TEST_F(JobSafetyTest, FileInAClosedFolderIsReportedWithWhy) {
    const struct {
        fs::perms folderMode;
        const char* why;
    } rows[] = {
        {fs::perms::none, "the folder cannot be opened"},
        {fs::perms::owner_read, "the file cannot be looked at"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        const std::string file = MakeFile("closed/secret", "kept");
        const int result = AsOrdinaryUser([&] {
            fs::permissions(m_temp.path() / "closed", row.folderMode);
            m_job.ShredSinglePath(file);
            const JobReport report = m_job.TakeReport();
            return report.failed == std::vector<ReportLine>{{file, "permission denied"}} &&
                           report.notFound.empty()
                       ? 0
                       : 1;
        });
        fs::permissions(m_temp.path() / "closed", fs::perms::owner_all);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(ReadFile(file), "kept");
    }
}

// Catches the walk crossing into a mount inside a tree, or shredding a bind-mounted file's source.
TEST_F(JobSafetyTest, MountsInsideATreeAreLeftAndNamed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting needs root";
    }
    MakeFile("tree/plain", "goes");
    MakeFile("tree/mnt/.keep", "");
    MakeFile("tree/bound", "");
    const std::string source = MakeFile("outside-secret", "outside the tree");
    const fs::path mnt = m_temp.path() / "tree/mnt", bound = m_temp.path() / "tree/bound";
    ASSERT_EQ(mount("none", mnt.c_str(), "tmpfs", 0, "size=1m"), 0);
    WriteFile(mnt / "inner", "on another file system");
    ASSERT_EQ(mount(source.c_str(), bound.c_str(), nullptr, MS_BIND, nullptr), 0);

    m_job.ShredSinglePath((m_temp.path() / "tree").string());

    EXPECT_EQ(ReadFile(mnt / "inner"), "on another file system");
    EXPECT_EQ(ReadFile(source), "outside the tree");
    EXPECT_FALSE(fs::exists(m_temp.path() / "tree/plain"));
    umount(bound.c_str());
    umount(mnt.c_str());
    const JobReport report = m_job.TakeReport();
    ASSERT_EQ(report.foldersLeft.size(), 1u);
    EXPECT_EQ(report.foldersLeft[0].path, mnt.string());
    ASSERT_EQ(report.failed.size(), 1u);
    EXPECT_EQ(report.failed[0].path, bound.string());
}

// Catches contents overwritten though a second name was linked to them before the first pass.
TEST_F(JobSafetyTest, ALinkMadeBeforeTheFirstPassKeepsTheContentsAndSaysSo) {
    for (const bool inTree : {false, true}) {
        SCOPED_TRACE(inTree ? "in a tree" : "given directly");
        const std::string path = MakeFile(inTree ? "tree/linked" : "linked", "both names' data");
        const fs::path other = m_temp.path() / "other name";
        int events = 0;
        m_host.onDoEvents = [&] {
            // Right after the job's look at the file (in a tree, the walk's event comes first).
            if (++events == (inTree ? 2 : 1)) {
                fs::create_hard_link(path, other);
            }
        };
        m_job.ShredSinglePath(inTree ? (m_temp.path() / "tree").string() : path);
        m_host.onDoEvents = nullptr;

        ASSERT_TRUE(fs::exists(other));
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(ReadFile(other), "both names' data");
        EXPECT_TRUE(fs::is_empty(Holding()));
        EXPECT_TRUE(platform::PendingDeletions().empty());
        const JobReport report = m_job.TakeReport();
        EXPECT_EQ(report.contentsKept, std::vector<std::string>{path});
        EXPECT_TRUE(report.failed.empty());
        fs::remove(other);
    }
}

// Catches holes of a sparse file filled in by a pass.
TEST_F(JobSafetyTest, HolesStayHoles) {
    const std::string path = MakeFile("sparse", "head");
    {
        const int fd = open(path.c_str(), O_WRONLY);
        ASSERT_EQ(pwrite(fd, "tail", 4, 256 << 20), 4);  // 256 MiB later
        close(fd);
    }
    struct stat before {};
    stat(path.c_str(), &before);
    long maxBlocks = 0;
    m_host.onDoEvents = [&] {
        for (const auto& entry : fs::directory_iterator(Holding())) {
            struct stat now {};
            if (stat(entry.path().c_str(), &now) == 0) {
                maxBlocks = std::max<long>(maxBlocks, now.st_blocks);
            }
        }
    };
    m_job.ShredSinglePath(path);
    m_host.onDoEvents = nullptr;
    EXPECT_FALSE(fs::exists(path));
    EXPECT_LE(maxBlocks, before.st_blocks);
    EXPECT_TRUE(m_job.TakeReport().Empty());
}

}  // namespace
}  // namespace ostrel::test
