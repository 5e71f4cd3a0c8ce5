#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>

#include "shredder/FillData.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

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
                             {"Dod7", kMethodDod7, "01RR01R", 10000, true},
                             {"Dod3EmptyFile", kMethodDod3, "01R", 0, true},
                             {"Dod3OverAMegabyte", kMethodDod3, "01R", (1 << 20) + 8292, true},
                             {"Dod3WithoutRename", kMethodDod3, "01R", 10000, false}}),
                         kRowName);

// A file put in place of the one being shredded between two passes is neither overwritten, nor
// filled with spaces, nor scheduled.
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
        AfterFirstPass([&](const std::string& held) {
            changed = true;
            if (grow) {
                std::ofstream(held, std::ios::app) << "written meanwhile";
            } else {
                fs::resize_file(held, 8192);
            }
        });
        EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::ScheduledAtRestart);
        ASSERT_TRUE(changed);
        fs::remove(path);
    }
}

// A disk filling up mid-pass: overwritten as far as it got, never counted as destroyed.
TEST_F(ShredderTest, AFullDiskMidPassIsNeverDestroyed) {
    const char old = '\x01';  // never a fill character
    for (const std::int64_t room : {0, 5000}) {
        SCOPED_TRACE(room);
        std::string path = MakeFile("victim.dat", std::string(200000, old));
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

// A second name given to the file between two passes stops the overwrite: the other name's
// contents are never filled with spaces, and the file is not counted as destroyed.
TEST_F(ShredderTest, ASecondNameAppearingBetweenPassesStopsTheOverwrite) {
    std::string path = MakeFile("victim.dat", std::string(20000, 'V'));
    const fs::path other = m_temp / "second name";
    bool linked = false;
    AfterFirstPass([&](const std::string& held) {
        linked = true;
        fs::create_hard_link(held, other);
    });
    EXPECT_NE(Shred(kMethodDod3, path), ShredOutcome::Destroyed);
    ASSERT_TRUE(linked);
    EXPECT_EQ(ReadFile(other).find(' '), std::string::npos) << "spaces in a shared file";
}

}  // namespace
}  // namespace ostrel::test
