#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>

#include "platform/InProgressList.h"
#include "shredder/FillData.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

struct PassRow {
    const char* name;
    const char* method;
    const char* passes;  // '0': all 0x00, '1': all 0xFF, 'R': random alphabet characters
    std::size_t size;
    bool renameFlag = true;
};

void PrintTo(const PassRow& row, std::ostream* os) {
    *os << row.name;
}

class PassTableTest : public ShredderTest, public ::testing::WithParamInterface<PassRow> {};

// The file as seen at every DoEvents (one per 8192-byte block plus two per pass): after each
// pass's flush it holds the pass's pattern over its whole, unchanged length; at the end it is gone.
TEST_P(PassTableTest, EachPassLeavesItsPatternOverTheWholeLength) {
    const PassRow row = GetParam();
    std::string path = MakeFile("victim.dat", std::string(row.size, 'M'));
    const std::string entryPath = path;
    std::vector<std::optional<std::string>> seen;
    m_host.onDoEvents = [&] {
        auto names = HeldNames();
        std::string now = row.renameFlag && names.size() == 1 ? Holding() + names[0] : entryPath;
        seen.push_back(fs::exists(now) ? std::optional(ReadFile(now)) : std::nullopt);
    };
    EXPECT_EQ(Shred(row.method, path, row.renameFlag), ShredOutcome::Destroyed);

    const std::string passes = row.passes;
    const std::size_t blocks = row.size / 8192;
    const std::size_t first = row.renameFlag ? 4 : 1;  // name, move (two), then one before pass 1
    ASSERT_EQ(seen.size(), first + passes.size() * (blocks + 2) + 1);
    EXPECT_EQ(path.starts_with(Holding()), row.renameFlag);
    std::string previous;
    for (std::size_t p = 0; p < passes.size(); ++p) {
        SCOPED_TRACE("pass " + std::to_string(p + 1));
        const auto& bytes = seen[first + p * (blocks + 2) + blocks];  // after the pass's flush
        ASSERT_TRUE(bytes && bytes->size() == row.size);
        if (passes[p] != 'R') {
            EXPECT_EQ(bytes->find_first_not_of(passes[p] == '0' ? '\0' : '\xFF'), bytes->npos);
            continue;
        }
        EXPECT_EQ(bytes->find_first_not_of(FillAlphabet), bytes->npos);
        EXPECT_TRUE(row.size == 0 ||
                    (*bytes != previous && std::set(bytes->begin(), bytes->end()).size() > 30));
        if (blocks >= 2) {  // one random block per pass, written for every whole block
            EXPECT_EQ(bytes->compare(0, 8192, *bytes, 8192, 8192), 0);
        }
        previous = *bytes;
    }
    for (const auto& bytes : seen) {
        EXPECT_TRUE(!bytes || bytes->size() == row.size);
    }
    EXPECT_FALSE(seen.back());
    EXPECT_FALSE(fs::exists(path) || fs::exists(entryPath));
    EXPECT_TRUE(HeldNames().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Methods, PassTableTest,
    ::testing::Values(PassRow{"Simple", kMethodSimple, "R", 10000},
                      PassRow{"Dod3", kMethodDod3, "01R", 10000},
                      PassRow{"Dod7", kMethodDod7, "01RR01R", 10000},
                      PassRow{"Dod3EmptyFile", kMethodDod3, "01R", 0},
                      PassRow{"Dod7ThreeBlocks", kMethodDod7, "01RR01R", 24576},
                      PassRow{"SimpleTwoBlocksAndTail", kMethodSimple, "R", 20000},
                      PassRow{"Dod3WithoutRename", kMethodDod3, "01R", 10000, false}),
    ::testing::PrintToStringParamName());

// Only the exact, case-sensitive method name acts: a near miss destroys and shows nothing.
TEST_F(ShredderTest, MethodNameThatDiffersInCaseOrSpacingDoesNothing) {
    std::string path = MakeFile("keep.txt", "keep me");
    for (const char* name : {"simple overwrite (1 pass)", "Simple Overwrite (1 Pass) ",
                             "DoD 5220.22-M  (7 Passes)", "recycle bin", ""}) {
        EXPECT_EQ(Shred(name, path), ShredOutcome::NotAttempted) << name;
    }
    EXPECT_EQ(ReadFile(path), "keep me");
    EXPECT_EQ(m_host.doEventsCount, 0);
    EXPECT_TRUE(m_host.msgBoxes.empty());
}

// A file put in place of the one being shredded between two passes is neither overwritten, nor
// filled with spaces, nor scheduled.
TEST_F(ShredderTest, FileSwappedBetweenPassesIsLeftAlone) {
    std::string path = MakeFile("victim.dat", std::string(10000, 'M'));
    std::string decoy = MakeFile("decoy.dat", "someone else's data");
    m_host.onDoEvents = [&] {
        if (m_host.doEventsCount == 4 + 3) {  // right after pass 1 was closed
            fs::rename(decoy, Holding() + HeldNames().at(0));
        }
    };
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::Failed);
    EXPECT_EQ(ReadFile(path), "someone else's data");
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

struct MountRow {
    const char* name;
    const char* method;
    bool holdingOnImage;  // false: the holding folder lies on another file system
};

void PrintTo(const MountRow& row, std::ostream* os) {
    *os << row.name;
}

class LoopMountTest : public ShredderTest, public ::testing::WithParamInterface<MountRow> {};

// After the shred and an unmount, no copy of the contents is left anywhere on the file system's
// disk (data blocks, journal, free space).
TEST_P(LoopMountTest, NoCopyOfTheContentsIsLeftOnTheDisk) {
    const std::string image = m_temp.str() + "/fs.img", mountPoint = m_temp.str() + "/mnt";
    fs::create_directory(mountPoint);
    const std::string make = "truncate -s 16M '" + image + "' && mkfs.ext4 -q -F '" + image +
                             "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + mountPoint +
                             "' 2>/dev/null";
    if (geteuid() != 0 || std::system(make.c_str()) != 0) {
        GTEST_SKIP() << (geteuid() != 0 ? "mounting a loop image needs root"
                                        : "mkfs.ext4 or mount -o loop is not permitted here");
    }
    const std::unique_ptr<const char, void (*)(const char*)> unmountLater(
        mountPoint.c_str(), [](const char* dir) { umount2(dir, MNT_DETACH); });
    if (GetParam().holdingOnImage) {
        gDataFolder = mountPoint + "/data";
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all);
    }
    std::string path = mountPoint + "/secret.dat";
    std::string marker;
    for (int i = 0; marker.size() < 300000; ++i) {
        marker += "<OSTREL-MARKER-" + std::to_string(i) + ">";
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

    EXPECT_EQ(Shred(GetParam().method, path), ShredOutcome::Destroyed);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_TRUE(platform::InProgressEntries().empty());
    if (!GetParam().holdingOnImage) {  // renamed in its own folder, listed until it was gone
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(mountPoint));
        EXPECT_TRUE(!inProgress.empty() && inProgress.back() == path);
    }
    ASSERT_EQ(umount2(mountPoint.c_str(), 0), 0);
    EXPECT_EQ(ReadFile(image).find("OSTREL-MARKER"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Methods, LoopMountTest,
                         ::testing::Values(MountRow{"Simple", kMethodSimple, true},
                                           MountRow{"Dod3", kMethodDod3, true},
                                           MountRow{"Dod7", kMethodDod7, true},
                                           MountRow{"Dod3HoldingElsewhere", kMethodDod3, false}),
                         ::testing::PrintToStringParamName());

// Uniform fill data, also when the clock does not move between draws (a generator replaced by
// the clock, instead of mixed with it, then repeats one character).
TEST_F(ShredderTest, RandDataPassesAChiSquareTestForTheDocumentedFrequencies) {
    const std::string alphabet = FillAlphabet;
    for (bool frozen : {false, true}) {
        SCOPED_TRACE(frozen ? "frozen clock" : "running clock");
        if (frozen) {
            platform::SetClockSource([] { return 43200.25; });
        }
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
    }
}

// Random names: one draw of pending events each, alphabet characters, the ".tmp" suffix.
TEST_F(ShredderTest, RandomNamesHaveTheirDocumentedShape) {
    for (int i = 0; i < 100; ++i) {
        const std::string name = RandFileName();
        ASSERT_TRUE(name.ends_with(".tmp") && name.size() <= 105 && name.size() > 90) << name;
        ASSERT_EQ(name.find_first_not_of(FillAlphabet), name.size() - 4) << name;
    }
    EXPECT_EQ(m_host.doEventsCount, 100);
}

}  // namespace
}  // namespace ostrel::test
