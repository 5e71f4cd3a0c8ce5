#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>

#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

// What the file holds at one DoEvents: the held file's name and bytes, or nothing.
struct Snapshot {
    std::optional<std::string> name;
    std::string bytes;
};

struct PassRow {
    const char* name;
    const char* method;
    const char* passes;  // '0' = 0x00, '1' = 0xFF, 'R' = random alphabet characters
    std::int64_t size;
    bool renameFlag;
    std::int32_t passesProperty;  // p_Passes as the caller sets it; never consulted
};

void PrintTo(const PassRow& row, std::ostream* os) {
    *os << row.name;
}

class PassTableTest : public ShredderTest, public ::testing::WithParamInterface<PassRow> {};

// Guards the pass table, the 8192-byte blocks with their tail, the DoEvents after each block and
// pass, a length that never changes, and a file that is gone at the end.
TEST_P(PassTableTest, EachPassLeavesItsPatternOverTheWholeLength) {
    const PassRow row = GetParam();
    const std::string original(row.size, 'M');
    std::string path = MakeFile("victim.dat", original);
    const std::string entryPath = path;
    std::vector<Snapshot> seen;
    m_host.onDoEvents = [&] {
        Snapshot shot;
        if (row.renameFlag) {
            if (auto names = HeldNames(); names.size() == 1) {
                shot.name = names[0];
                shot.bytes = ReadFile(Holding() + names[0]);
            }
        } else if (fs::exists(entryPath)) {
            shot.name = "victim.dat";
            shot.bytes = ReadFile(entryPath);
        }
        seen.push_back(shot);
    };

    clsShredder shredder;
    shredder.p_ShredMethod(row.method);
    shredder.p_Passes = row.passesProperty;
    shredder.p_SourceFile = path;
    shredder.RenameFlag = row.renameFlag;
    shredder.DetermineShredMethod();

    const std::string passes = row.passes;
    const std::int64_t blocks = row.size / 8192;
    const std::size_t first = row.renameFlag ? 4 : 1;  // name, move (2), then one before pass 1
    ASSERT_EQ(seen.size(), first + passes.size() * (blocks + 2) + 1);
    if (row.renameFlag) {
        EXPECT_FALSE(seen[0].name);
        ASSERT_TRUE(seen[1].name);
        EXPECT_EQ(shredder.p_SourceFile, Holding() + *seen[1].name);
        EXPECT_TRUE(seen[1].name->ends_with(".tmp"));
    } else {
        EXPECT_EQ(shredder.p_SourceFile, entryPath);
    }
    for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
        if (seen[i].name) {
            EXPECT_EQ(seen[i].bytes.size(), original.size()) << "DoEvents " << i;
        }
    }
    std::string previous;
    for (std::size_t p = 0; p < passes.size(); ++p) {
        const Snapshot& flushed = seen[first + p * (blocks + 2) + blocks];
        ASSERT_TRUE(flushed.name) << "pass " << p + 1;
        const std::string& bytes = flushed.bytes;
        if (passes[p] == '0') {
            EXPECT_TRUE(AllBytesAre(bytes, '\0')) << "pass " << p + 1;
        } else if (passes[p] == '1') {
            EXPECT_TRUE(AllBytesAre(bytes, '\xFF')) << "pass " << p + 1;
        } else {
            EXPECT_TRUE(OnlyAlphabet(bytes)) << "pass " << p + 1;
            if (row.size > 0) {
                EXPECT_GT(std::set<char>(bytes.begin(), bytes.end()).size(), 30u);
                EXPECT_NE(bytes, previous) << "pass " << p + 1;
            }
            if (blocks >= 2) {  // one random block per pass, written for every whole block
                EXPECT_EQ(bytes.compare(0, 8192, bytes, 8192, 8192), 0) << "pass " << p + 1;
            }
        }
        previous = bytes;
    }
    EXPECT_FALSE(seen.back().name);
    EXPECT_FALSE(fs::exists(shredder.p_SourceFile));
    EXPECT_FALSE(fs::exists(entryPath));
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_EQ(ShredOutcomeOf(shredder), ShredOutcome::Destroyed);
    EXPECT_TRUE(platform::PendingDeletions().empty());
    EXPECT_TRUE(m_host.msgBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Methods, PassTableTest,
    ::testing::Values(PassRow{"Simple", kMethodSimple, "R", 10000, true, 7},
                      PassRow{"Dod3", kMethodDod3, "01R", 10000, true, 7},
                      PassRow{"Dod7", kMethodDod7, "01RR01R", 10000, true, 7},
                      PassRow{"Dod7PassesPropertyOne", kMethodDod7, "01RR01R", 10000, true, 1},
                      PassRow{"Dod3EmptyFile", kMethodDod3, "01R", 0, true, 7},
                      PassRow{"Dod3ThreeWholeBlocks", kMethodDod3, "01R", 3 * 8192, true, 7},
                      PassRow{"SimpleTwoBlocksAndTail", kMethodSimple, "R", 20000, true, 7},
                      PassRow{"Dod3WithoutRename", kMethodDod3, "01R", 10000, false, 7}),
    [](const auto& info) { return std::string(info.param.name); });

// Guards the exact, case-sensitive method match: a near miss must destroy nothing.
TEST_F(ShredderTest, MethodNameThatDiffersInCaseOrSpacingDoesNothing) {
    for (const char* name :
         {"simple overwrite (1 pass)", "Simple Overwrite (1 Pass) ", "DoD 5220.22-M (3 passes)",
          "DoD 5220.22-M  (7 Passes)", "recycle bin", ""}) {
        std::string path = MakeFile("keep.txt", "keep me");
        EXPECT_EQ(Shred(name, path), ShredOutcome::NotAttempted) << name;
        EXPECT_EQ(ReadFile(path), "keep me") << name;
    }
    EXPECT_EQ(m_host.doEventsCount, 0);
    EXPECT_TRUE(m_host.msgBoxes.empty());
    EXPECT_TRUE(HeldNames().empty());
}

// Guards the error path when the move fails: spaces at the entry path, then a pending deletion.
TEST_F(ShredderTest, MissingHoldingFolderOverwritesWithSpacesInPlaceAndSchedules) {
    fs::remove(Holding());
    std::string path = MakeFile("victim.dat", std::string(70000, 'M'));
    const std::string entryPath = path;
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(path, entryPath);
    std::string bytes = ReadFile(entryPath);
    EXPECT_EQ(bytes.size(), 70000u);
    EXPECT_TRUE(AllBytesAre(bytes, ' '));
    auto pending = platform::PendingDeletions();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].path, entryPath);
}

// Guards against reporting a file as destroyed (and deleting it) when its last pass could not
// be written: the fallback must take over.
TEST_F(ShredderTest, FailedWriteInTheLastPassIsNotDeletedButScheduled) {
    platform::InjectFault(platform::SysCall::Write, ENOSPC, 0, 1);
    std::string path = MakeFile("victim.dat", std::string(10000, 'M'));
    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_TRUE(AllBytesAre(ReadFile(path), ' '));
    EXPECT_EQ(ReadFile(path).size(), 10000u);
    ASSERT_EQ(platform::PendingDeletions().size(), 1u);
    EXPECT_EQ(platform::PendingDeletions()[0].path, path);
}

// Guards the same-file check on reopen: a file put in place of the one being shredded between
// two passes is neither overwritten, nor filled with spaces, nor scheduled.
TEST_F(ShredderTest, FileSwappedBetweenPassesIsLeftAlone) {
    std::string path = MakeFile("victim.dat", std::string(10000, 'M'));
    std::string decoy = MakeFile("decoy.dat", "someone else's data");
    long calls = 0;
    m_host.onDoEvents = [&] {
        if (++calls == 4 + 3) {  // right after pass 1 was closed
            fs::rename(decoy, Holding() + HeldNames().at(0));
        }
    };
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::Failed);
    EXPECT_EQ(ReadFile(path), "someone else's data");
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

}  // namespace
}  // namespace ostrel::test
