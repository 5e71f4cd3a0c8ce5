#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/Globals.h"
#include "platform/Clock.h"
#include "platform/FaultInjection.h"
#include "platform/InProgressList.h"
#include "platform/OsVersion.h"
#include "platform/PendingDeletions.h"
#include "shredder/DeferredDeletion.h"
#include "shredder/FillData.h"
#include "shredder/Shredder.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/LoopMount.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

// Names a parameterised test after the first element of its row, a tuple (of string views and
// values, so that its printed form holds no addresses).
constexpr auto kRowName = [](const auto& info) { return std::string(std::get<0>(info.param)); };

// A temporary folder with a private holding folder below its data folder, a sandboxed account
// and a recording host; every substituted facility is restored afterwards.
class ShredderTest : public ::testing::Test {
  protected:
    ShredderTest() {
        gDataFolder = m_temp.str() + "/data";
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all);
    }
    ~ShredderTest() override {
        platform::ClearFaults();
        platform::SetClockSource({});
        platform::SetVersionSource({});
        platform::SetBootIdSource({});
        gDataFolder.clear();
    }

    std::string Holding() const { return gDataFolder + "/Safetemp/"; }
    std::vector<std::string> HeldNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Holding())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    std::string MakeFile(const std::string& name, const std::string& bytes) const {
        WriteFile(m_temp / name, bytes);
        return (m_temp / name).string();
    }
    // Shreds `path` as the job does; `path` becomes the shredder's p_SourceFile afterwards.
    ShredOutcome Shred(const std::string& method, std::string& path, bool renameFlag = true) {
        clsShredder shredder;
        shredder.p_ShredMethod(method);
        shredder.p_SourceFile = path;
        shredder.RenameFlag = renameFlag;
        shredder.DetermineShredMethod();
        path = shredder.p_SourceFile;
        return ShredOutcomeOf(shredder);
    }

    TempDir m_temp;
    XdgSandbox m_xdg;
    RecordingHost m_host;
};

// Name, method, passes ('0': all 0x00, '1': all 0xFF, 'R': random alphabet characters), file
// size, RenameFlag.
using PassRow = std::tuple<std::string_view, std::string_view, std::string_view, std::size_t, bool>;

class PassTableTest : public ShredderTest, public ::testing::WithParamInterface<PassRow> {};

// The file as seen at every DoEvents (one per megabyte written plus two per pass): after each
// pass's flush it holds the pass's pattern over its whole, unchanged length; at the end it is gone.
TEST_P(PassTableTest, EachPassLeavesItsPatternOverTheWholeLength) {
    const auto& [name, method, passes, size, renameFlag] = GetParam();
    std::string path = MakeFile("victim.dat", std::string(size, 'M'));
    const std::string entryPath = path;
    std::vector<std::optional<std::string>> seen;
    const bool renames = renameFlag;  // a lambda may not name a structured binding (clang 14)
    m_host.onDoEvents = [&] {
        auto names = HeldNames();
        std::string now = renames && names.size() == 1 ? Holding() + names[0] : entryPath;
        seen.push_back(fs::exists(now) ? std::optional(ReadFile(now)) : std::nullopt);
    };
    EXPECT_EQ(Shred(std::string(method), path, renameFlag), ShredOutcome::Destroyed);

    const std::size_t blocks = size / 8192;
    const std::size_t chunks = (size / 8192 + 127) / 128;
    const std::size_t first = renameFlag ? 4 : 1;  // name, move (two), then one before pass 1
    ASSERT_EQ(seen.size(), first + passes.size() * (chunks + 2) + 1);
    EXPECT_EQ(path.starts_with(Holding()), renameFlag);
    std::string previous;
    for (std::size_t p = 0; p < passes.size(); ++p) {
        SCOPED_TRACE("pass " + std::to_string(p + 1));
        const auto& bytes = seen[first + p * (chunks + 2) + chunks];  // after the pass's flush
        ASSERT_TRUE(bytes && bytes->size() == size);
        if (passes[p] != 'R') {
            EXPECT_EQ(bytes->find_first_not_of(passes[p] == '0' ? '\0' : '\xFF'), bytes->npos);
            continue;
        }
        EXPECT_EQ(bytes->find_first_not_of(FillAlphabet), bytes->npos);
        EXPECT_TRUE(size == 0 ||
                    (*bytes != previous && std::set(bytes->begin(), bytes->end()).size() > 30));
        if (blocks >= 2) {  // one random block per pass, written for every whole block
            EXPECT_EQ(bytes->compare(0, 8192, *bytes, 8192, 8192), 0);
        }
        previous = *bytes;
    }
    for (const auto& bytes : seen) {
        EXPECT_TRUE(!bytes || bytes->size() == size);
    }
    EXPECT_FALSE(seen.back());
    EXPECT_FALSE(fs::exists(path) || fs::exists(entryPath));
    EXPECT_TRUE(HeldNames().empty());
}

INSTANTIATE_TEST_SUITE_P(Methods, PassTableTest,
                         ::testing::ValuesIn(std::vector<PassRow>{
                             {"Simple", kMethodSimple, "R", 10000, true},
                             {"Dod3", kMethodDod3, "01R", 10000, true},
                             {"Dod7", kMethodDod7, "01RR01R", 10000, true},
                             {"Dod3EmptyFile", kMethodDod3, "01R", 0, true},
                             {"Dod7ThreeBlocks", kMethodDod7, "01RR01R", 24576, true},
                             {"SimpleTwoBlocksAndTail", kMethodSimple, "R", 20000, true},
                             {"Dod3OverAMegabyte", kMethodDod3, "01R", (1 << 20) + 8292, true},
                             {"Dod3WithoutRename", kMethodDod3, "01R", 10000, false}}),
                         kRowName);

// A file put in place of the one being shredded between two passes is neither overwritten, nor
// filled with spaces, nor scheduled: one of another length, and one of the same length, which
// only its identity tells apart.
TEST_F(ShredderTest, FileSwappedBetweenPassesIsLeftAlone) {
    for (const std::string& contents :
         {std::string("someone else's data"), std::string(10000, 'D')}) {
        SCOPED_TRACE(contents.size());
        std::string path = MakeFile("victim.dat", std::string(10000, 'M'));
        std::string decoy = MakeFile("decoy.dat", contents);
        m_host.doEventsCount = 0;
        m_host.onDoEvents = [&] {
            if (m_host.doEventsCount == 4 + 3) {  // right after pass 1 was closed
                fs::rename(decoy, Holding() + HeldNames().at(0));
            }
        };
        EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::Failed);
        m_host.onDoEvents = nullptr;
        EXPECT_EQ(ReadFile(path), contents);
        EXPECT_TRUE(platform::PendingDeletions().empty());
        fs::remove(path);
    }
}

// Name, method, whether the holding folder is on the image (or on another file system).
using MountRow = std::tuple<std::string_view, std::string_view, bool>;

class LoopMountTest : public ShredderTest, public ::testing::WithParamInterface<MountRow> {};

// After the shred and an unmount, no copy of the contents is left anywhere on the file system's
// disk (data blocks, journal, free space).
TEST_P(LoopMountTest, NoCopyOfTheContentsIsLeftOnTheDisk) {
    const auto& [name, method, holdingOnImage] = GetParam();
    const std::string image = m_temp.str() + "/fs.img", mountPoint = m_temp.str() + "/mnt";
    fs::create_directory(mountPoint);
    const std::string make = "truncate -s 16M '" + image + "' && mkfs.ext4 -q -F '" + image +
                             "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + mountPoint +
                             "' 2>/dev/null";
    if (geteuid() != 0 || std::system(make.c_str()) != 0) {
        GTEST_SKIP() << "mounting a loop image needs root, mkfs.ext4 and mount -o loop";
    }
    const std::unique_ptr<const char, void (*)(const char*)> unmountLater(
        mountPoint.c_str(), [](const char* dir) { umount2(dir, MNT_DETACH); });
    if (holdingOnImage) {
        gDataFolder = mountPoint + "/data";
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all);
    }
    std::string path = mountPoint + "/secret.dat";
    std::string marker;
    while (marker.size() < 300000) {
        marker += "<OSTREL-MARKER-" + std::to_string(marker.size()) + ">";
    }
    WriteFile(path, marker);
    ASSERT_EQ(std::system(("sync -f '" + path + "'").c_str()), 0);
    ASSERT_NE(ReadFile(image).find("OSTREL-MARKER"), std::string::npos) << "never on the image";
    std::vector<std::string> inProgress;
    m_host.onDoEvents = [&] {
        for (const auto& entry : platform::InProgressEntries()) {
            inProgress.push_back(entry.path);
        }
    };

    EXPECT_EQ(Shred(std::string(method), path), ShredOutcome::Destroyed);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_TRUE(platform::InProgressEntries().empty());
    if (!holdingOnImage) {  // renamed in its own folder, listed until it was gone
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(mountPoint));
        EXPECT_TRUE(!inProgress.empty() && inProgress.back() == path);
    }
    ASSERT_EQ(umount2(mountPoint.c_str(), 0), 0);
    EXPECT_EQ(ReadFile(image).find("OSTREL-MARKER"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Methods, LoopMountTest,
                         ::testing::ValuesIn(std::vector<MountRow>{
                             {"Simple", kMethodSimple, true},
                             {"Dod3", kMethodDod3, true},
                             {"Dod7", kMethodDod7, true},
                             {"Dod3HoldingElsewhere", kMethodDod3, false}}),
                         kRowName);

// An extended attribute's value too large for the inode is kept in a block of its own; the
// zeros written over it must reach the disk before the attribute's removal frees that block,
// which drops the block's unwritten changes. (A journal keeps copies of its own: this disk has
// none, so any copy found was left by the shred.)
TEST_F(ShredderTest, AttributeValueInABlockOfItsOwnLeavesTheDisk) {
    LoopMount image(m_temp.path(), "ext4", 16, "-q -F -O ^has_journal");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    std::string path = (image.Root() / "secret").string();
    WriteFile(path, "contents");
    std::string value;
    while (value.size() < 500) {  // more than the inode holds, less than a 1 KiB block
        value += "<OSTREL-ATTRIBUTE>";
    }
    ASSERT_EQ(setxattr(path.c_str(), "user.secret", value.data(), value.size(), 0), 0);
    ASSERT_TRUE(image.Flush());
    ASSERT_NE(ReadFile(image.Image()).find("OSTREL-ATTRIBUTE"), std::string::npos);

    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::Destroyed);
    ASSERT_TRUE(image.Unmount());
    EXPECT_EQ(ReadFile(image.Image()).find("OSTREL-ATTRIBUTE"), std::string::npos);
}

// Uniform fill data, also when the clock does not move between draws (a generator replaced by
// the clock, instead of mixed with it, then repeats one character).
TEST_F(ShredderTest, RandDataPassesAChiSquareTestForTheDocumentedFrequencies) {
    const std::string alphabet = FillAlphabet;
    for (bool frozen : {false, true}) {
        SCOPED_TRACE(frozen ? "frozen clock" : "running clock");
        platform::SetClockSource(frozen ? std::function<double()>([] { return 43200.25; })
                                        : nullptr);
        std::array<double, 65> counts{};
        for (int block = 0; block < 100; ++block) {
            const std::string data = RandData(8192);
            ASSERT_EQ(data.size(), 8192u);
            for (char c : data) {
                ASSERT_NE(alphabet.find(c), std::string::npos) << "byte " << int(c);
                counts[alphabet.find(c)] += 1;
            }
        }
        double chiSquare = 0;
        for (std::size_t k = 0; k < counts.size(); ++k) {
            const double expected = 100 * 8192 * ((k == 0 || k == 64) ? 1.0 / 128 : 1.0 / 64);
            chiSquare += (counts[k] - expected) * (counts[k] - expected) / expected;
        }
        EXPECT_LT(chiSquare, 133.0);  // 64 degrees of freedom, p = 1e-6
        if (frozen) {  // each character is the one NextRandom's draw picks, in the same order
            SeedRandom(5);
            std::string drawn;
            for (int i = 0; i < 4096; ++i) {
                drawn += alphabet[static_cast<std::size_t>(std::nearbyint(NextRandom() * 64))];
            }
            SeedRandom(5);
            EXPECT_EQ(RandData(4096), drawn);
        }
    }
}

// A FIFO or device node is removed without being opened (a write could block, or reach a
// device); inotify would report any open.
TEST_F(ShredderTest, FifoAndDeviceNodeAreRemovedWithoutBeingOpened) {
    const std::string fifo = (m_temp / "fifo").string(), device = (m_temp / "device").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const bool haveDevice = mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, m_temp.str().c_str(), IN_OPEN | IN_CLOSE_WRITE), 0);
    for (std::string path : haveDevice ? std::vector{fifo, device} : std::vector{fifo}) {
        EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::LinkOrSpecialRemoved) << path;
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
    }
    // The folder itself is opened (the shredder acts through it); no entry in it may be.
    alignas(inotify_event) char events[4096];
    const ssize_t length = read(watch, events, sizeof events);
    for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        EXPECT_EQ(event->len, 0u) << "opened: " << event->name;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    close(watch);
    if (!haveDevice) {
        GTEST_SKIP() << "mknod is not permitted here: the device-node half did not run";
    }
}

// A pass counts only when every write, flush and close of it succeeded: a failure in any pass
// sends the file to the fallback, never to the destroyed ones.
TEST_F(ShredderTest, AFailedWriteFlushOrCloseIsNeverDestroyed) {
    const std::tuple<const char*, platform::SysCall, int> rows[] = {
        {kMethodDod3, platform::SysCall::Write, 0},     // the first write of pass 1
        {kMethodDod7, platform::SysCall::Fsync, 0},     // the flush of pass 1
        {kMethodDod7, platform::SysCall::Write, 5},     // a write of a later pass
        {kMethodSimple, platform::SysCall::Unlink, 0},  // the delete of the last close
    };
    for (const auto& [method, call, okCalls] : rows) {
        SCOPED_TRACE(std::string(method) + " " + std::to_string(static_cast<int>(call)));
        std::string path = MakeFile("victim.dat", std::string(20000, 'V'));
        platform::InjectFault(call, EIO, okCalls, 1);
        EXPECT_EQ(Shred(method, path), ShredOutcome::ScheduledAtRestart);
        platform::ClearFaults();
        EXPECT_TRUE(fs::exists(path));
        fs::remove(path);
    }
}

// A file that another writer makes longer or shorter between two passes is not the file the
// passes began with: it is never counted as destroyed.
TEST_F(ShredderTest, AFileWhoseLengthChangesBetweenPassesIsNotDestroyed) {
    for (const bool grow : {true, false}) {
        SCOPED_TRACE(grow ? "grown" : "shortened");
        std::string path = MakeFile("victim.dat", std::string(20000, 'V'));
        bool changed = false;
        m_host.onDoEvents = [&] {
            const auto held = HeldNames();
            if (!changed && !held.empty() && ReadFile(Holding() + held[0])[0] == '\0') {
                changed = true;  // pass 1 (zeros) is done
                if (grow) {
                    std::ofstream(Holding() + held[0], std::ios::app) << "written meanwhile";
                } else {
                    fs::resize_file(Holding() + held[0], 8192);
                }
            }
        };
        EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::ScheduledAtRestart);
        m_host.onDoEvents = nullptr;
        ASSERT_TRUE(changed);
        fs::remove(path);
    }
}

// A disk that is full to the last block, with no room left in the folder the file would be moved
// into for another name (the holding folder, or the file's own folder when the holding folder
// lies on another file system). Writing over blocks the file already has needs no new space:
// the file is overwritten where it is and no copy of its contents is left on the disk.
using FullDiskRow = std::tuple<std::string_view, bool>;  // name, holding folder on the disk

class FullDiskTest : public ShredderTest, public ::testing::WithParamInterface<FullDiskRow> {};

TEST_P(FullDiskTest, AFileThatCannotBeRenamedIsOverwrittenWhereItIs) {
    const bool holdingOnDisk = std::get<1>(GetParam());
    // Blocks are taken as they are written (no delayed allocation), so that what is free does
    // not change once the writes are done; folders are plain lists (no hashed index), so that a
    // name fits wherever any block has room.
    LoopMount image(m_temp.path(), "ext4", 8, "-q -F -m 0 -b 1024 -O ^dir_index", "nodelalloc");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    const fs::path docs = image.Root() / "docs";
    fs::create_directories(docs);
    if (holdingOnDisk) {
        gDataFolder = (image.Root() / "data").string();
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all, fs::perm_options::replace);
    }
    std::string marker;
    while (marker.size() < 200000) {
        marker += "<OSTREL-MARKER-" + std::to_string(marker.size()) + ">";
    }
    std::string path = (docs / "secret").string();
    const std::string entryPath = path;
    WriteFile(path, marker);
    const fs::path crowded = holdingOnDisk ? fs::path(Holding()) : docs;
    // Every block taken, then names in the folder until its last block has no room even for the
    // shortest. Blocks the file system held back for writes in flight come free once they are
    // written, so both go on until a name can no longer be added after a flush.
    int names = 0;
    for (int round = 0; round < 5; ++round) {
        RunQuietly("dd if=/dev/zero of='" +
                   (image.Root() / ("filler" + std::to_string(round))).string() + "' bs=4k; sync");
        for (const std::size_t length : {200, 100, 40, 12, 4}) {
            for (;; ++names) {
                ASSERT_LT(names, 10000);
                std::string name = std::to_string(names);
                name.insert(0, length - std::min(length, name.size()), 'n');
                const int fd =
                    ::open((crowded / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
                if (fd < 0) {
                    ASSERT_EQ(errno, ENOSPC);
                    break;
                }
                ::close(fd);
            }
        }
        ASSERT_TRUE(image.Flush());
        if (::link(path.c_str(), (crowded / "x").c_str()) != 0) {
            break;
        }
        fs::remove(crowded / "x");
    }
    ASSERT_NE(::link(path.c_str(), (crowded / "x").c_str()), 0);
    ASSERT_EQ(errno, ENOSPC) << "the folder must have no room for a new name";
    ASSERT_TRUE(image.Flush());
    ASSERT_NE(ReadFile(image.Image()).find("OSTREL-MARKER"), std::string::npos);

    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::Destroyed);
    EXPECT_EQ(path, entryPath);
    EXPECT_FALSE(fs::exists(entryPath));
    EXPECT_TRUE(platform::PendingDeletions().empty());
    EXPECT_TRUE(platform::InProgressEntries().empty());
    ASSERT_TRUE(image.Unmount());
    EXPECT_EQ(ReadFile(image.Image()).find("OSTREL-MARKER"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Folders, FullDiskTest,
                         ::testing::ValuesIn(std::vector<FullDiskRow>{{"HoldingFolderFull", true},
                                                                      {"OwnFolderFull", false}}),
                         kRowName);

// Where not a byte could be written, by a pass or by the spaces, nothing is said to be
// overwritten: the file keeps its contents, gets back the name it was given, and is not
// scheduled for a deletion that would follow no overwrite.
TEST_F(ShredderTest, AFileOfWhichNothingWasWrittenIsReportedIntact) {
    using platform::SysCall;
    const std::tuple<const char*, SysCall, int, SysCall, int> rows[] = {
        {"no room for the new name, and the disk takes no byte", SysCall::Rename, ENOSPC,
         SysCall::Write, ENOSPC},
        {"moved, then every write fails", SysCall::Count, 0, SysCall::Write, EIO},
        {"moved, then every open for writing fails", SysCall::Count, 0, SysCall::Open, EACCES},
    };
    for (const auto& [name, moveCall, moveError, writeCall, writeError] : rows) {
        SCOPED_TRACE(name);
        std::string path = MakeFile("victim.dat", std::string(20000, 'V'));
        const std::string entryPath = path;
        if (moveCall != SysCall::Count) {
            platform::InjectFault(moveCall, moveError);
        }
        platform::InjectFault(writeCall, writeError);
        EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::NotOverwritten);
        platform::ClearFaults();
        EXPECT_TRUE(ReadFile(entryPath) == std::string(20000, 'V')) << "contents changed";
        EXPECT_TRUE(HeldNames().empty());
        EXPECT_TRUE(platform::PendingDeletions().empty());
        fs::remove(entryPath);
    }
}

// A write may put fewer bytes in the file than it was given (interrupted, or a disk filling up):
// the rest is written after it, and a pass that could not write everything never counts. Where
// part was written before the disk filled, the file was overwritten as far as possible.
TEST_F(ShredderTest, ShortWritesAreCompletedAndAFullDiskMidPassIsNeverDestroyed) {
    std::string path = MakeFile("victim.dat", std::string(200000, 'V'));
    std::optional<std::string> afterFirstPass;
    m_host.onDoEvents = [&] {
        const auto held = HeldNames();
        const std::string now = held.empty() ? std::string() : ReadFile(Holding() + held[0]);
        if (!now.empty() && now[0] == '\0') {
            afterFirstPass = now;  // the last look before pass 2 (0xFF) began
        }
    };
    platform::InjectShortWrites(777);
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::Destroyed);
    m_host.onDoEvents = nullptr;
    ASSERT_TRUE(afterFirstPass);
    EXPECT_EQ(afterFirstPass->find_first_not_of('\0'), std::string::npos);
    EXPECT_EQ(afterFirstPass->size(), 200000u);

    const char old = '\x01';  // never a fill character
    for (const std::int64_t room : {0, 5000, 150000}) {
        SCOPED_TRACE(room);
        path = MakeFile("victim.dat", std::string(200000, old));
        const std::string entryPath = path;
        platform::InjectShortWrites(4096, room, ENOSPC);
        const ShredOutcome outcome = Shred(kMethodSimple, path);
        platform::ClearFaults();
        const std::string now = ReadFile(room == 0 ? entryPath : path);
        EXPECT_EQ(now.find_first_not_of(old), room == 0 ? std::string::npos : 0);
        EXPECT_EQ(now.find(old), static_cast<std::size_t>(room));
        EXPECT_EQ(outcome,
                  room == 0 ? ShredOutcome::NotOverwritten : ShredOutcome::ScheduledAtRestart);
        fs::remove(room == 0 ? entryPath : path);
    }
}

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

// A second name given to the file between two passes stops the overwrite: the other name's
// contents are never filled with spaces, and the file is not counted as destroyed.
TEST_F(ShredderTest, ASecondNameAppearingBetweenPassesStopsTheOverwrite) {
    std::string path = MakeFile("victim.dat", std::string(20000, 'V'));
    const fs::path other = m_temp / "second name";
    bool linked = false;
    m_host.onDoEvents = [&] {
        const auto held = HeldNames();
        if (!linked && !held.empty() && ReadFile(Holding() + held[0])[0] == '\0') {
            linked = true;  // pass 1 (zeros) is done
            fs::create_hard_link(Holding() + held[0], other);
        }
    };
    EXPECT_NE(Shred(kMethodDod3, path), ShredOutcome::Destroyed);
    m_host.onDoEvents = nullptr;
    ASSERT_TRUE(linked);
    EXPECT_EQ(ReadFile(other).find(' '), std::string::npos) << "spaces in a shared file";
}

// Random names take one draw of pending events each, alphabet characters and the ".tmp" suffix.
// The move never replaces a file already in the holding folder under the drawn name (a failed
// move: spaces at the entry path and deletion at restart), and a holding folder others can enter
// is not used: nothing is written anywhere then.
TEST_F(ShredderTest, RandomNamesAndTheMoveIntoTheHoldingFolder) {
    for (int i = 0; i < 100; ++i) {
        const std::string name = RandFileName();
        ASSERT_TRUE(name.ends_with(".tmp") && name.size() <= 105 && name.size() > 90) << name;
        ASSERT_EQ(name.find_first_not_of(FillAlphabet), name.size() - 4) << name;
    }
    EXPECT_EQ(m_host.doEventsCount, 100);
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
// only after its new name is on the in-progress list: a start after a crash finishes only what is
// listed. Where the list cannot be written the file keeps its own name and is overwritten under
// it, never hidden under a random name nobody knows.
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

// A file that cannot be opened without sharing gets spaces where it can be written and exactly
// one pending entry; the helper deletes it after a restart, not before. A running program, of
// which nothing can be written, is left intact and not scheduled.
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

// The four release tests, including the signed comparison of the whole build field. The exact
// bytes of the 9x way: a header only for a new file, a line break only where the old text lacks
// one, the old text kept up to its first NUL whatever its length; and on a 9x release the
// fallback writes WinInit.ini, not the pending list.
TEST_F(ShredderTest, NineXReleasesAndWinInitGetsOneNulLinePerFile) {
    using Row = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, const char*>;
    for (const auto& [id, minor, build, matches] :  // which of 95, OSR2, 98, ME answer True
         {Row{1, 0, 950, "1000"}, Row{1, 0, 1111, "0100"}, Row{1, 10, 1998, "0010"},
          Row{1, 90, 3000, "0001"}, Row{1, 0, 951, "0000"}, Row{2, 0, 950, "0000"},
          Row{1, 10, 0x80000000u, "0000"}}) {
        platform::SetVersionSource(FakeVersion(id, minor, build));
        const std::string got = {char('0' + IsWin95()), char('0' + IsWin95OSR2()),
                                 char('0' + IsWin98()), char('0' + IsWinME())};
        EXPECT_EQ(got, matches) << id << " 4." << minor << " " << build;
    }
    platform::SetVersionSource([](platform::OsVersionInfo&) { return 0; });
    EXPECT_FALSE(IsWin95() || IsWin95OSR2() || IsWin98() || IsWinME());

    ScopedEnv winDir("WinDir", m_temp.str());
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

    fs::remove(winInit);
    platform::SetVersionSource(FakeVersion(1, 10, 2222));
    std::string locked = MakeFile("locked.dat", "locked");
    HolderProcess holder(locked, Hold::Open);
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(Shred(kMethodDod3, locked), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(ReadFile(winInit), "[Rename]\r\nNUL=" + locked + "\r\n");
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

// The file lands in the trash with its own name and bytes, and its info file; no overwrite, no
// holding folder. A missing file and a folder change nothing.
TEST_F(ShredderTest, RecycleBinMovesTheFileToTheTrash) {
    const fs::path trash = fs::path(m_xdg.DataHome()) / "Trash";
    std::string missing = (m_temp / "missing.txt").string();
    EXPECT_EQ(Shred(kMethodRecycle, missing), ShredOutcome::NotAttempted);
    EXPECT_FALSE(fs::exists(trash));

    const std::string name = "report \xE9t\xE9.txt";
    std::string path = MakeFile(name, "the report");
    EXPECT_EQ(Shred(kMethodRecycle, path), ShredOutcome::Trashed);
    EXPECT_EQ(path, (m_temp / name).string());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_TRUE(m_host.msgBoxes.empty());
    EXPECT_EQ(ReadFile(trash / "files" / name), "the report");
    EXPECT_TRUE(fs::exists(trash / "info" / (name + ".trashinfo")));

    std::string folder = (m_temp / "folder").string();
    fs::create_directories(folder);
    EXPECT_EQ(Shred(kMethodRecycle, folder), ShredOutcome::NotAttempted);
    EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace
}  // namespace ostrel::test
