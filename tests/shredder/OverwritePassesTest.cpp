#include <filesystem>
#include <optional>
#include <set>

#include "platform/PendingDeletions.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

struct PassRow {
    const char* name;
    const char* method;
    const char* passes;  // '0' = 0x00, '1' = 0xFF, 'R' = random alphabet characters
    std::int64_t size;
    bool renameFlag;
};

void PrintTo(const PassRow& row, std::ostream* os) {
    *os << row.name;
}

class PassTableTest : public ShredderTest, public ::testing::WithParamInterface<PassRow> {};

// Guards the pass table, one DoEvents per 8192-byte block plus two per pass, a length that never
// changes, and a file that is gone at the end.
TEST_P(PassTableTest, EachPassLeavesItsPatternOverTheWholeLength) {
    const PassRow row = GetParam();
    std::string path = MakeFile("victim.dat", std::string(row.size, 'M'));
    const std::string entryPath = path;
    std::vector<std::optional<std::string>> seen;  // the file's bytes at each DoEvents
    m_host.onDoEvents = [&] {
        auto names = HeldNames();
        std::string now = row.renameFlag && names.size() == 1 ? Holding() + names[0] : entryPath;
        seen.push_back(fs::exists(now) ? std::optional(ReadFile(now)) : std::nullopt);
    };
    clsShredder shredder;
    shredder.p_ShredMethod(row.method);
    shredder.p_Passes = 1;  // never consulted: the method fixes the passes
    shredder.p_SourceFile = path;
    shredder.RenameFlag = row.renameFlag;
    shredder.DetermineShredMethod();

    const std::string passes = row.passes;
    const std::size_t blocks = row.size / 8192;
    const std::size_t first = row.renameFlag ? 4 : 1;  // name, move (two), then one before pass 1
    ASSERT_EQ(seen.size(), first + passes.size() * (blocks + 2) + 1);
    EXPECT_EQ(shredder.p_SourceFile.starts_with(Holding()), row.renameFlag);
    std::string previous;
    for (std::size_t p = 0; p < passes.size(); ++p) {
        const auto& bytes = seen[first + p * (blocks + 2) + blocks];  // after the pass's flush
        ASSERT_TRUE(bytes && bytes->size() == std::size_t(row.size)) << "pass " << p + 1;
        if (passes[p] != 'R') {
            EXPECT_TRUE(AllBytesAre(*bytes, passes[p] == '0' ? '\0' : '\xFF')) << "pass " << p + 1;
            continue;
        }
        EXPECT_TRUE(OnlyAlphabet(*bytes)) << "pass " << p + 1;
        EXPECT_TRUE(row.size == 0 ||
                    (*bytes != previous && std::set(bytes->begin(), bytes->end()).size() > 30));
        if (blocks >= 2) {  // one random block per pass, written for every whole block
            EXPECT_EQ(bytes->compare(0, 8192, *bytes, 8192, 8192), 0) << "pass " << p + 1;
        }
        previous = *bytes;
    }
    for (const auto& bytes : seen) {
        EXPECT_TRUE(!bytes || bytes->size() == std::size_t(row.size));
    }
    EXPECT_FALSE(seen.back());
    EXPECT_FALSE(fs::exists(shredder.p_SourceFile) || fs::exists(entryPath));
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_EQ(ShredOutcomeOf(shredder), ShredOutcome::Destroyed);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, PassTableTest,
    ::testing::Values(PassRow{"Simple", kMethodSimple, "R", 10000, true},
                      PassRow{"Dod3", kMethodDod3, "01R", 10000, true},
                      PassRow{"Dod7", kMethodDod7, "01RR01R", 10000, true},
                      PassRow{"Dod3EmptyFile", kMethodDod3, "01R", 0, true},
                      PassRow{"Dod7ThreeWholeBlocks", kMethodDod7, "01RR01R", 3 * 8192, true},
                      PassRow{"SimpleTwoBlocksAndTail", kMethodSimple, "R", 20000, true},
                      PassRow{"Dod3WithoutRename", kMethodDod3, "01R", 10000, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Guards the exact, case-sensitive method match: a near miss must destroy nothing.
TEST_F(ShredderTest, MethodNameThatDiffersInCaseOrSpacingDoesNothing) {
    for (const char* name : {"simple overwrite (1 pass)", "Simple Overwrite (1 Pass) ",
                             "DoD 5220.22-M  (7 Passes)", "recycle bin", ""}) {
        std::string path = MakeFile("keep.txt", "keep me");
        EXPECT_EQ(Shred(name, path), ShredOutcome::NotAttempted) << name;
        EXPECT_EQ(ReadFile(path), "keep me") << name;
    }
    EXPECT_EQ(m_host.doEventsCount, 0);
    EXPECT_TRUE(m_host.msgBoxes.empty());
}

// Guards the same-file check on reopen: a file put in place of the one being shredded between
// two passes is neither overwritten, nor filled with spaces, nor scheduled.
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

}  // namespace
}  // namespace ostrel::test
