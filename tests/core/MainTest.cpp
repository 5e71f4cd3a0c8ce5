#include "core/modMain.h"

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "core/Globals.h"
#include "core/RegistryManager.h"
#include "core/StoredSettings.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "platform/LockFile.h"
#include "shredder/FillData.h"
#include "tests/core/JobFixture.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

using MainTest = JobTest;

// Runs Main as the executable does; true when it ended the process.
bool RunMain(const std::vector<std::string>& paths, Forms& forms) {
    try {
        Main(paths, forms);
    } catch (const EndProcessCalled&) {
        return true;
    }
    return false;
}

// The chooser comes on a first run, and for a stored name that is empty or does not end in
// ".lng" (in any letter case). The second test looks at the chosen name, so a choice made for
// an empty name is not asked for again.
TEST_F(MainTest, ChooserIsShownWhenTheStoredNameIsUnusable) {
    const struct {
        const char* stored;  // nullptr: no "DefaultLang" value
        int chooserShown;
    } rows[] = {{nullptr, 1}, {"English", 1}, {"", 1}, {"German.LNG", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored ? row.stored : "(none)");
        fs::remove_all(m_xdg.ConfigHome() + "/Tolvane");
        if (row.stored != nullptr) {
            RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, row.stored);
        }
        const int before = Count(m_err, "Please select a language");

        RunMain({}, forms());

        EXPECT_EQ(Count(m_err, "Please select a language") - before, row.chooserShown);
        if (row.chooserShown > 0) {
            EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString(),
                      "English.lng");
        }
    }
}

// The main window's texts are checked end to end; here, the holding folder start-up prepares.
TEST_F(MainTest, WithoutPathsTheHoldingFolderIsMadePrivate) {
    fs::remove_all(gDataFolder);
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, "English.lng");
    const auto mode = [this] { return fs::status(Holding()).permissions() & fs::perms::all; };

    EXPECT_FALSE(RunMain({}, forms()));
    EXPECT_EQ(mode(), fs::perms::owner_all) << "a new holding folder must be private";
    fs::permissions(Holding(), fs::perms::group_read, fs::perm_options::add);
    RunMain({}, forms());
    EXPECT_EQ(mode(), fs::perms::owner_all) << "one others may enter is made private";
}

// The exit code tells a job that left something behind from one that destroyed everything.
TEST_F(MainTest, ExitCodeSaysWhetherEverythingWent) {
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, "English.lng");
    RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, 0);
    const std::string gone = MakeFile("gone", "x");
    const std::string linked = MakeFile("linked", "y");
    fs::create_hard_link(linked, m_temp.path() / "other name");

    EXPECT_TRUE(RunMain({gone}, forms()));
    EXPECT_TRUE(RunMain({linked}, forms()));

    EXPECT_EQ(m_host.endProcessCalls, (std::vector<int>{0, 1}));
    EXPECT_FALSE(fs::exists(gone));
    ASSERT_EQ(m_host.msgBoxes.size(), 1u) << "one report, for the second job only";
    EXPECT_NE(m_host.msgBoxes[0].text.find(linked), std::string::npos);
}

// What a killed run left on its way to destruction is finished: files under the shredder's own
// random names, directly in the holding folder or on the in-progress list while still the same
// file. Anything else is not the program's to destroy and is left alone: a name it never makes
// (in the holding folder, or on the list), a subfolder's contents, a file that replaced the one
// the run had renamed.
TEST_F(MainTest, InterruptedWorkIsFinished) {
    const std::string leftover = Holding() + "/" + RandFileName();
    WriteFile(leftover, "half shredded");
    const std::vector<std::string> foreign = {Holding() + "/abc.tmp", Holding() + "/notes.txt",
                                              Holding() + "/sub/" + RandFileName()};
    for (const std::string& path : foreign) {
        fs::create_directories(fs::path(path).parent_path());
        WriteFile(path, "not ours");
    }
    const std::string renamedInPlace = MakeFile("elsewhere/" + RandFileName(), "renamed in place");
    const std::string notOurName = MakeFile("elsewhere/xyz.tmp", "listed, but not our name");
    const std::string replaced = MakeFile("elsewhere/" + RandFileName(), "first file");
    for (const std::string& path : {renamedInPlace, notOurName, replaced}) {
        platform::AddInProgress(path, *platform::StatPath(path));
    }
    WriteFile(replaced + ".new", "another file under the same name");
    fs::rename(replaced + ".new", replaced);

    {
        // Another instance is running: the files may be its job's, and are left alone.
        platform::LockFile other = platform::LockFile::Open(Holding() + ".lock");
        ASSERT_TRUE(other.HoldShared());
        FinishInterruptedWork(forms());
        EXPECT_EQ(ReadFile(leftover), "half shredded");
        EXPECT_TRUE(fs::exists(renamedInPlace));
    }
    FinishInterruptedWork(forms());

    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_FALSE(fs::exists(renamedInPlace));
    for (const std::string& path : foreign) {
        EXPECT_EQ(ReadFile(path), "not ours") << path;
    }
    EXPECT_EQ(ReadFile(notOurName), "listed, but not our name");
    EXPECT_EQ(ReadFile(replaced), "another file under the same name");
    EXPECT_TRUE(platform::InProgressEntries().empty());
}

// Only the four names exactly as written are methods; any other stored name would shred nothing,
// so start-up says it is unknown (the job reports it). Leftovers are still finished by one pass.
TEST_F(MainTest, OnlyTheFourExactNamesAreMethods) {
    for (const auto& [name, known] :
         std::initializer_list<std::pair<const char*, bool>>{{"Simple Overwrite (1 Pass)", true},
                                                             {"DoD 5220.22-M (3 Passes)", true},
                                                             {"DoD 5220.22-M (7 Passes)", true},
                                                             {"Recycle Bin", true},
                                                             {"simple overwrite (1 pass)", false},
                                                             {"Recycle Bin ", false},
                                                             {"", false}}) {
        EXPECT_EQ(IsShredMethod(name), known) << name;
    }
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod, "recycle bin");
    forms().options.SetDeleteMethod(StoredMethod());
    EXPECT_FALSE(IsShredMethod(forms().options.DeleteMethod()));
    const std::string leftover = Holding() + "/" + RandFileName();
    WriteFile(leftover, "half shredded");
    FinishInterruptedWork(forms());
    EXPECT_FALSE(fs::exists(leftover));
}

// The folders of one test: its temporary folder, the sandbox's XDG folders, the holding folder.
struct Places {
    fs::path temp;
    std::string data, state, config, holding;
};

// A folder or file start-up must not trust, made so by `spoil`, which returns the path the
// message must name; `undo` puts back what outlives the test's folders.
struct Untrusted {
    const char* name;
    bool needsRoot;  // to give something to another user, or to mount a read-only file system
    std::function<std::string(const Places&)> spoil;
    const char* reason;
    std::function<void(const Places&)> undo = [](const Places&) {};
};

void PrintTo(const Untrusted& row, std::ostream* out) {
    *out << row.name;
}

class UntrustedFolderTest : public MainTest, public testing::WithParamInterface<Untrusted> {
  protected:
    ~UntrustedFolderTest() override { GetParam().undo(m_places); }
    const Places m_places{m_temp.path(), m_xdg.DataHome(), m_xdg.StateHome(), m_xdg.ConfigHome(),
                          Holding()};
};

constexpr unsigned kNobody = 65534;

void GiveAway(const fs::path& path, fs::perms mode) {
    ASSERT_EQ(::lchown(path.c_str(), kNobody, kNobody), 0) << path;
    fs::permissions(path, mode);
}

// Whatever lies behind it, nothing is shredded: start-up names the folder or file and why in a
// critical message, and the process ends with status 1.
TEST_P(UntrustedFolderTest, StartUpStopsBeforeAnyJobAndSaysWhy) {
    if (GetParam().needsRoot && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root: another user's files, or a read-only mount";
    }
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, "English.lng");
    RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, 0);
    const std::string file = MakeFile("precious", "data");
    const std::string path = GetParam().spoil(m_places);

    EXPECT_TRUE(RunMain({file}, forms()));

    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{1});
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_EQ(m_host.msgBoxes[0].style, kMsgCritical);
    const std::string& text = m_host.msgBoxes[0].text;
    EXPECT_NE(text.find("Nothing was shredded."), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + path + "\n" + GetParam().reason), std::string::npos) << text;
    EXPECT_EQ(ReadFile(file), "data");
}

const Untrusted kUntrusted[] = {
    {"HoldingFolderIsALink", false,
     [](const Places& t) {
         fs::create_directory(t.temp / "elsewhere");
         fs::remove_all(t.holding);
         fs::create_directory_symlink(t.temp / "elsewhere", t.holding);
         return t.holding;
     },
     "It is a symbolic link."},
    {"HoldingFolderOthersMayWrite", false,
     [](const Places& t) {
         fs::permissions(t.holding, fs::perms::all);
         return t.holding;
     },
     "Other users may change it."},
    {"StateFolderOthersMayWrite", false,
     [](const Places& t) {
         const fs::path folder = t.state + "/Tolvane";
         fs::create_directories(folder);
         fs::permissions(folder, fs::perms::all);
         return folder.string();
     },
     "Other users may change it."},
    {"ReadOnlyHome", true,
     [](const Places& t) {
         const std::string data = t.data;
         EXPECT_EQ(::mount("tmpfs", data.c_str(), "tmpfs", MS_RDONLY, "mode=0700"), 0);
         return data + "/Tolvane";
     },
     "It cannot be created or opened: Read-only file system",
     [](const Places& t) { ::umount2(t.data.c_str(), MNT_DETACH); }},
    {"HoldingFolderOfAnotherUser", true,
     [](const Places& t) {
         GiveAway(t.holding, fs::perms::all);
         return t.holding;
     },
     "It belongs to another user."},
    {"SettingsFolderOfAnotherUser", true,
     [](const Places& t) {
         const fs::path folder = t.config + "/Tolvane";
         GiveAway(folder, fs::perms::owner_all);
         return folder.string();
     },
     "It belongs to another user."},
    {"PendingListOfAnotherUser", true,
     [](const Places& t) {
         const fs::path list = t.state + "/Tolvane/Quarrix/pending-deletions";
         fs::create_directories(list.parent_path());
         WriteFile(list, "ostrel-state 1\n");
         GiveAway(list, fs::perms::owner_read | fs::perms::owner_write);
         return list.string();
     },
     "It belongs to another user."},
    // "sudo -E": root with an ordinary user's HOME and XDG folders.
    {"AnotherUsersHomeAboveTheSettings", true,
     [](const Places& t) {
         const fs::path home = t.temp / "alice";
         fs::create_directories(home / ".config/Tolvane/Quarrix");
         fs::copy(t.config + "/Tolvane/Quarrix/Shredder.reg",
                  home / ".config/Tolvane/Quarrix/Shredder.reg");
         GiveAway(home, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
         ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
         return home.string();
     },
     "It belongs to another user.",
     [](const Places& t) { ::setenv("XDG_CONFIG_HOME", t.config.c_str(), 1); }},
};

INSTANTIATE_TEST_SUITE_P(Folders, UntrustedFolderTest, testing::ValuesIn(kUntrusted),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
