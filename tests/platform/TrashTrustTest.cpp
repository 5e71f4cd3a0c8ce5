// The trash refuses folders it cannot trust, and never moves a file other than the one seen.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/platform/TrashFixture.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

// A home trash that is not this user's alone is never used: nothing moves, nothing is written
// where a link leads, and the result names the folder and why.
TEST_F(TrashTest, AnUntrustworthyHomeTrashIsRefused) {
    const fs::path elsewhere = m_temp / "elsewhere";
    struct Row {
        const char* what;
        void (*plant)(const fs::path& trash, const fs::path& elsewhere);
        TrashProblem problem;
        const char* folder;
    };
    const Row rows[] = {
        {"Trash is a link",
         [](const fs::path& trash, const fs::path& to) { fs::create_directory_symlink(to, trash); },
         TrashProblem::SymbolicLink, ""},
        {"files/ is a link",
         [](const fs::path& trash, const fs::path& to) {
             fs::create_directories(trash);
             fs::permissions(trash, fs::perms::owner_all, fs::perm_options::replace);
             fs::create_directory_symlink(to, trash / "files");
         },
         TrashProblem::SymbolicLink, "/files"},
        {"info/ is a file",
         [](const fs::path& trash, const fs::path&) {
             fs::create_directories(trash / "files");
             fs::permissions(trash, fs::perms::owner_all, fs::perm_options::replace);
             fs::permissions(trash / "files", fs::perms::owner_all, fs::perm_options::replace);
             WriteFile(trash / "info", "");
         },
         TrashProblem::NotFolder, "/info"},
        {"info/ may be written by the group",
         [](const fs::path& trash, const fs::path&) {
             fs::create_directories(trash / "files");
             fs::create_directories(trash / "info");
             fs::permissions(trash, fs::perms::owner_all, fs::perm_options::replace);
             fs::permissions(trash / "files", fs::perms::owner_all, fs::perm_options::replace);
             fs::permissions(trash / "info", fs::perms::owner_all | fs::perms::group_write,
                             fs::perm_options::replace);
         },
         TrashProblem::WritableByOthers, "/info"},
        {"files/ belongs to another user",
         [](const fs::path& trash, const fs::path&) {
             fs::create_directories(trash / "files");
             fs::permissions(trash, fs::perms::owner_all, fs::perm_options::replace);
             fs::permissions(trash / "files", fs::perms::owner_all, fs::perm_options::replace);
             ASSERT_EQ(::chown((trash / "files").c_str(), 65534, 65534), 0);
         },
         TrashProblem::OtherOwner, "/files"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.problem == TrashProblem::OtherOwner && ::geteuid() != 0) {
            continue;  // only root can give a folder to another user
        }
        fs::create_directories(elsewhere);
        fs::create_directories(Trash().parent_path());
        row.plant(Trash(), elsewhere);
        WriteFile(m_temp / "file", "file");
        const platform::TrashResult result = Move(m_temp / "file");
        EXPECT_EQ(result.problem, row.problem);
        EXPECT_EQ(result.trashFolder, Trash().string() + row.folder);
        EXPECT_EQ(ReadFile(m_temp / "file"), "file");
        EXPECT_TRUE(fs::is_empty(elsewhere));
        EXPECT_FALSE(fs::exists(Trash() / "info/file.trashinfo"));
        fs::remove_all(Trash());
        fs::remove_all(elsewhere);
    }
}

// Another program exchanging the name with another file all the while.
TEST_F(TrashTest, AFileExchangedWhileItIsMovedIsNeverTrashedInItsPlace) {
    const platform::Folder folder = platform::Folder::Open(m_temp.str());
    const std::string seenPath = (m_temp / "seen").string(),
                      otherPath = (m_temp / "other").string();
    int refused = 0;
    for (int round = 0; round < 200; ++round) {
        WriteFile(seenPath, "seen");
        WriteFile(otherPath, "other");
        const platform::FileIdentity seen = folder.Stat("seen")->id;
        std::atomic<bool> stop{false};
        std::thread exchanger([&] {
            while (!stop) {
                ::renameat2(AT_FDCWD, seenPath.c_str(), AT_FDCWD, otherPath.c_str(),
                            RENAME_EXCHANGE);
            }
        });
        const platform::TrashResult result = platform::MoveToTrash(folder, "seen", seen, "seen");
        stop = true;
        exchanger.join();
        if (result.Ok()) {
            const fs::path trashed = Trash() / "files" / result.trashedAs;
            ASSERT_EQ(ReadFile(trashed), "seen") << "round " << round;
        } else {
            EXPECT_EQ(result.error, ESTALE) << "round " << round;
            ++refused;
        }
        fs::remove_all(Trash());
        fs::remove(seenPath);
        fs::remove(otherPath);
    }
    EXPECT_GT(refused, 0) << "no move ever met the other file";
}

// For any other user a trash folder of root's is another user's too: a user's own trash is
// refused when root owns it, as when anyone else does.
TEST_F(TrashTest, ATrashOfRootsIsRefusedToAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root: files of two users";
    }
    constexpr uid_t kNobody = 65534;
    fs::permissions(m_temp.path(), fs::perms::all);
    fs::create_directories(Trash() / "files");
    fs::create_directories(Trash() / "info");
    WriteFile(m_temp / "theirs/file", "file");
    for (const fs::path& path : {m_temp / "data", m_temp / "theirs", m_temp / "theirs/file"}) {
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    }
    fs::permissions(Trash(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::replace);
    const int status = RunInChild([&] {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            return 10;
        }
        const platform::TrashResult result = Move(m_temp / "theirs/file");
        return result.problem == TrashProblem::OtherOwner && result.trashFolder == Trash().string()
                   ? 0
                   : 20 + static_cast<int>(result.problem);
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(m_temp / "theirs/file"), "file");
}

}  // namespace
}  // namespace ostrel::test
