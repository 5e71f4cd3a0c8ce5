#include "platform/Trash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/FaultInjection.h"
#include "tests/platform/TrashFixture.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LoopMount.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

// True when `text` has the shape `shape`, where "d" stands for any decimal digit.
bool MatchesShape(const std::string& text, std::string_view shape) {
    if (text.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

// The file lands in files/ under its own name.
TEST_F(TrashTest, HomeTrashRecordsTheEscapedPathAndTheDate) {
    // The temporary folder's own path must need no escaping for the rows below to hold.
    ASSERT_EQ(m_temp.str().find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-"),
              std::string::npos);
    const struct {
        std::string name;
        std::string escaped;
    } rows[] = {
        {"plain.txt", "plain.txt"},       {"100%", "100%25"},
        {"new\nline", "new%0Aline"},      {"utf8 \xC3\xA9", "utf8%20%C3%A9"},
        {"bad \xFF\xFE", "bad%20%FF%FE"}, {"#?&=+;", "%23%3F%26%3D%2B%3B"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.escaped);
        const fs::path path = m_temp / "dir name" / row.name;
        WriteFile(path, "contents of " + row.name);
        const std::string before = Now();
        const platform::TrashResult result = Move(path);
        const std::string after = Now();
        ASSERT_TRUE(result.Ok()) << static_cast<int>(result.problem) << " " << result.error;
        EXPECT_EQ(result.trashedAs, row.name);
        EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
        EXPECT_EQ(ReadFile(Trash() / "files" / row.name), "contents of " + row.name);

        const std::string info = ReadFile(Trash() / "info" / (row.name + ".trashinfo"));
        const std::string head =
            "[Trash Info]\nPath=" + m_temp.str() + "/dir%20name/" + row.escaped + "\nDeletionDate=";
        ASSERT_TRUE(info.starts_with(head)) << info;
        const std::string date = info.substr(head.size());
        ASSERT_TRUE(MatchesShape(date, "dddd-dd-ddTdd:dd:dd\n")) << date;
        EXPECT_GE(date.substr(0, 19), before);
        EXPECT_LE(date.substr(0, 19), after);
    }
    for (const fs::path& folder : {Trash(), Trash() / "files", Trash() / "info"}) {
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all)
            << folder;
    }
    struct stat st {};
    ASSERT_EQ(::stat((Trash() / "info/plain.txt.trashinfo").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Names already taken in files/ (by an earlier file of the same name, or by an entry whose info
// file is gone) get the next free number; the taken entries stay as they were.
TEST_F(TrashTest, ANameTakenInTheTrashGetsTheNextNumber) {
    for (const char* folder : {"a", "b", "c"}) {
        WriteFile(m_temp / folder / "report", std::string("report from ") + folder);
        ASSERT_TRUE(Move(m_temp / folder / "report").Ok()) << folder;
    }
    EXPECT_EQ(Names(Trash() / "files"),
              (std::vector<std::string>{"report", "report.2", "report.3"}));
    EXPECT_EQ(ReadFile(Trash() / "files/report.3"), "report from c");
    EXPECT_NE(ReadFile(Trash() / "info/report.3.trashinfo").find("/c/report\n"), std::string::npos);

    WriteFile(Trash() / "files/orphan", "an entry without its info file");
    WriteFile(m_temp / "orphan", "new");
    const platform::TrashResult result = Move(m_temp / "orphan");
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.trashedAs, "orphan.2");
    EXPECT_EQ(ReadFile(Trash() / "files/orphan"), "an entry without its info file");
    EXPECT_EQ(ReadFile(Trash() / "files/orphan.2"), "new");
    EXPECT_FALSE(fs::exists(Trash() / "info/orphan.trashinfo"));

    // A name too long to take the info file's suffix is shortened; the entry keeps its bytes.
    const std::string longName(250, 'n');
    WriteFile(m_temp / longName, "long");
    const platform::TrashResult shortened = Move(m_temp / longName);
    ASSERT_TRUE(shortened.Ok()) << shortened.error;
    EXPECT_LE(shortened.trashedAs.size() + std::string(".trashinfo").size(), 255u);
    EXPECT_EQ(ReadFile(Trash() / "files" / shortened.trashedAs), "long");
}

// A link is moved itself and what it leads to stays.
TEST_F(TrashTest, OnlyTheEntryThatWasSeenIsMoved) {
    WriteFile(m_temp / "target", "target");
    fs::create_symlink(m_temp / "target", m_temp / "link");
    ASSERT_TRUE(Move(m_temp / "link").Ok());
    EXPECT_TRUE(fs::is_symlink(Trash() / "files/link"));
    EXPECT_EQ(ReadFile(m_temp / "target"), "target");

    const platform::Folder folder = platform::Folder::Open(m_temp.str());
    fs::create_directories(m_temp / "folder");
    WriteFile(m_temp / "seen", "seen");
    const platform::FileIdentity seen = folder.Stat("seen")->id;
    fs::rename(m_temp / "seen", m_temp / "put aside");  // keeps its inode from reuse
    WriteFile(m_temp / "seen", "a newcomer");
    const struct {
        const char* name;
        platform::FileIdentity expected;
        int error;
    } rows[] = {
        {"folder", folder.Stat("folder")->id, ESTALE},
        {"seen", seen, ESTALE},
        {"missing", seen, ENOENT},
    };
    for (const auto& row : rows) {
        const platform::TrashResult result =
            platform::MoveToTrash(folder, row.name, row.expected, row.name);
        EXPECT_EQ(result.problem, TrashProblem::Failed) << row.name;
        EXPECT_EQ(result.error, row.error) << row.name;
    }
    EXPECT_EQ(ReadFile(m_temp / "seen"), "a newcomer");
    EXPECT_TRUE(fs::is_directory(m_temp / "folder"));

    WriteFile(m_temp / "stays", "stays");
    platform::InjectFault(platform::SysCall::Rename, EIO);
    const platform::TrashResult failed = Move(m_temp / "stays");
    platform::ClearFaults();
    EXPECT_EQ(failed.problem, TrashProblem::Failed);
    EXPECT_EQ(failed.error, EIO);
    EXPECT_EQ(ReadFile(m_temp / "stays"), "stays");
    EXPECT_EQ(Names(Trash() / "info"), std::vector<std::string>{"link.trashinfo"});

    platform::InjectFault(platform::SysCall::Fsync, EIO);  // the info file cannot be made safe
    EXPECT_EQ(Move(m_temp / "stays").error, EIO);
    platform::ClearFaults();
    EXPECT_EQ(ReadFile(m_temp / "stays"), "stays");
    EXPECT_EQ(Names(Trash() / "info"), std::vector<std::string>{"link.trashinfo"});
}

// On another file system the trash is the one at the top of that mount, found from the file's
// folder however deep it lies.
TEST_F(TrashTest, OnAnotherMountTheTrashIsAtItsTop) {
    LoopMount disk(m_temp.path(), "ext4", 16);
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const fs::path top = disk.Root();
    const std::string uid = std::to_string(::geteuid());
    auto trashOf = [&](const std::string& relative) {
        WriteFile(top / relative, relative);
        return Move(top / relative);
    };

    platform::TrashResult result = trashOf("deep/er/file one");
    ASSERT_TRUE(result.Ok()) << static_cast<int>(result.problem) << " " << result.error;
    const fs::path own = top / (".Trash-" + uid);
    EXPECT_EQ(result.trashFolder, own.string());
    EXPECT_EQ(ReadFile(own / "files/file one"), "deep/er/file one");
    EXPECT_TRUE(ReadFile(own / "info/file one.trashinfo")
                    .starts_with("[Trash Info]\nPath=deep/er/file%20one\nDeletionDate="));
    EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(Trash())) << "nothing went to the home trash";
    ASSERT_TRUE(trashOf("at-top").Ok());
    EXPECT_TRUE(ReadFile(own / "info/at-top.trashinfo").starts_with("[Trash Info]\nPath=at-top\n"));

    // A shared .Trash: without the sticky bit, and as a link, it is passed over.
    fs::create_directories(top / ".Trash");
    fs::permissions(top / ".Trash", fs::perms::all, fs::perm_options::replace);
    ASSERT_TRUE(trashOf("not-sticky").Ok());
    EXPECT_TRUE(fs::exists(own / "files/not-sticky"));
    EXPECT_TRUE(fs::is_empty(top / ".Trash"));
    fs::permissions(top / ".Trash", fs::perms::all | fs::perms::sticky_bit,
                    fs::perm_options::replace);
    result = trashOf("sub/shared");
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.trashFolder, (top / ".Trash" / uid).string());
    EXPECT_EQ(ReadFile(top / ".Trash" / uid / "files/shared"), "sub/shared");
    EXPECT_TRUE(ReadFile(top / ".Trash" / uid / "info/shared.trashinfo")
                    .starts_with("[Trash Info]\nPath=sub/shared\n"));
    EXPECT_EQ(fs::status(top / ".Trash" / uid).permissions() & fs::perms::all,
              fs::perms::owner_all);
    // Its $uid folder planted by another user, or the whole shared folder another user's:
    // passed over.
    ASSERT_EQ(::chown((top / ".Trash" / uid).c_str(), 65534, 65534), 0);
    ASSERT_TRUE(trashOf("planted").Ok());
    EXPECT_TRUE(fs::exists(own / "files/planted"));
    ASSERT_EQ(::chown((top / ".Trash" / uid).c_str(), ::geteuid(), ::getegid()), 0);
    ASSERT_EQ(::chown((top / ".Trash").c_str(), 65534, 65534), 0);
    ASSERT_TRUE(trashOf("foreign").Ok());
    EXPECT_TRUE(fs::exists(own / "files/foreign"));
    fs::remove_all(top / ".Trash");
    // A link to a folder that would be fit (sticky, this user's) is passed over all the same.
    fs::permissions(top / "sub", fs::perms::sticky_bit, fs::perm_options::add);
    fs::create_directory_symlink(top / "sub", top / ".Trash");
    ASSERT_TRUE(trashOf("via-link").Ok());
    EXPECT_TRUE(fs::exists(own / "files/via-link"));
    EXPECT_EQ(Names(top / "sub"), std::vector<std::string>{}) << "nothing went where it leads";

    // Its own trash folder as a link, or open to others: refused.
    fs::rename(own, top / "kept");
    fs::create_directory_symlink(top / "sub", own);
    EXPECT_EQ(trashOf("refused").problem, TrashProblem::SymbolicLink);
    fs::remove(own);
    fs::rename(top / "kept", own);
    fs::permissions(own, fs::perms::all, fs::perm_options::replace);
    result = trashOf("refused");
    EXPECT_EQ(result.problem, TrashProblem::WritableByOthers);
    EXPECT_EQ(result.trashFolder, own.string());
    EXPECT_EQ(ReadFile(top / "refused"), "refused");

    // A bind mount of a home folder: the same device, another mount.
    const fs::path source = m_temp / "source";
    const fs::path bound = m_temp / "bound";
    WriteFile(source / "inner/bound-file", "bound");
    fs::create_directories(bound);
    ASSERT_EQ(::mount(source.c_str(), bound.c_str(), nullptr, MS_BIND, nullptr), 0);
    const platform::TrashResult boundResult = Move(bound / "inner/bound-file");
    const std::string boundInfo = ReadFile(bound / (".Trash-" + uid) / "info/bound-file.trashinfo");
    ::umount2(bound.c_str(), MNT_DETACH);
    ASSERT_TRUE(boundResult.Ok()) << boundResult.error;
    EXPECT_TRUE(boundInfo.starts_with("[Trash Info]\nPath=inner/bound-file\n")) << boundInfo;
    EXPECT_EQ(ReadFile(source / (".Trash-" + uid) / "files/bound-file"), "bound");
    EXPECT_FALSE(fs::exists(Trash()));
}

}  // namespace
}  // namespace ostrel::test
