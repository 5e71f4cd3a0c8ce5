#include "job/WalkAhead.h"

#include <filesystem>
#include <string>
#include <vector>

#include "core/ShredMethods.h"
#include "platform/FileSystem.h"
#include "tests/job/JobFixture.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

using WalkAheadTest = JobTest;

platform::FileIdentity IdentityOf(const fs::path& path) {
    const auto status = platform::StatPath(path.string());
    return status ? status->id : platform::FileIdentity{};
}

// Catches a walk handed over for a path it was not made of, twice, or after the job moved past
// it (a refused folder such as the home folder would otherwise be walked to its end first).
TEST_F(WalkAheadTest, EachFolderGivenIsHandedOverOnceAndOnlyInTheOrderGiven) {
    MakeFile("big/a", "1");
    MakeFile("big/sub/b", "22");
    MakeFile("small/c", "333");
    MakeFile("small/sub/d", "4444");
    const std::string file = MakeFile("file", "5");
    const fs::path big = m_temp.path() / "big";
    const fs::path small = m_temp.path() / "small";
    WalkAhead ahead({big.string(), small.string() + "//", file});

    const auto walked = ahead.Take(small.string(), IdentityOf(small));
    ASSERT_NE(walked, nullptr);
    EXPECT_EQ(walked->FileCount(), 2);
    EXPECT_EQ(walked->DirCount(), 1);
    EXPECT_EQ(walked->TotalFileSize(), 7);
    EXPECT_EQ(ahead.Take(small.string(), IdentityOf(small)), nullptr);
    EXPECT_EQ(ahead.Take(big.string(), IdentityOf(big)), nullptr);    // passed over
    EXPECT_EQ(ahead.Take(file, IdentityOf(file)), nullptr);           // not a folder
    EXPECT_EQ(ahead.Take("/elsewhere", IdentityOf(small)), nullptr);  // never given
}

TEST_F(WalkAheadTest, NothingIsHandedOverOnceStoppedOrForAnotherFolder) {
    MakeFile("tree/a", "1");
    const fs::path tree = m_temp.path() / "tree";
    WalkAhead other({tree.string()});
    EXPECT_EQ(other.Take(tree.string(), IdentityOf(m_temp.path())), nullptr);
    WalkAhead stopped({tree.string()});
    stopped.WaitForWalks();
    stopped.Stop();
    EXPECT_EQ(stopped.Take(tree.string(), IdentityOf(tree)), nullptr);
}

// Catches a job that shreds by a walk of another folder than the one now given, by a walk made
// long before it began, or that says it destroyed what came after the walk.
TEST_F(WalkAheadTest, AJobUsesAWalkMadeAheadOnlyOfTheSameFolderAndFreshAndTellsTheTruth) {
    const fs::path tree = m_temp.path() / "tree";
    const fs::path away = m_temp.path() / "away";
    {  // Fresh: exactly what the walk saw is destroyed; a file made after it is left, and said.
        MakeFile("tree/a", "1");
        MakeFile("tree/sub/b", "2");
        WalkAhead ahead({tree.string()});
        ahead.WaitForWalks();
        MakeFile("tree/late", "made after the walk");
        m_job.UseWalkAhead(&ahead);
        m_job.ShredPaths({tree.string()});
        EXPECT_EQ(ReadFile(tree / "late"), "made after the walk");
        EXPECT_FALSE(fs::exists(tree / "a"));
        EXPECT_FALSE(fs::exists(tree / "sub"));
        const JobReport report = m_job.TakeReport();
        ASSERT_EQ(report.foldersLeft.size(), 1u);
        EXPECT_EQ(report.foldersLeft[0].path, tree.string());
        EXPECT_EQ(Count(m_err, "late"), 0);  // never the file under way
        fs::remove_all(tree);
    }
    {  // Replaced after the walk: the folder now there is walked and shredded, the old one kept.
        MakeFile("tree/old", "walked, then moved away");
        WalkAhead ahead({tree.string()});
        ahead.WaitForWalks();
        fs::rename(tree, away);
        MakeFile("tree/new", "given");
        m_job.UseWalkAhead(&ahead);
        m_job.ShredPaths({tree.string()});
        EXPECT_FALSE(fs::exists(tree));
        EXPECT_EQ(ReadFile(away / "old"), "walked, then moved away");
        EXPECT_TRUE(m_job.TakeReport().Empty());
    }
    {  // Walked too long ago: walked again, so the file made since goes too.
        MakeFile("tree/a", "1");
        WalkAhead ahead({tree.string()}, WalkAhead::Clock::duration::zero());
        ahead.WaitForWalks();
        MakeFile("tree/late", "made after the walk");
        m_job.UseWalkAhead(&ahead);
        m_job.ShredPaths({tree.string()});
        EXPECT_FALSE(fs::exists(tree));
        EXPECT_TRUE(m_job.TakeReport().Empty());
    }
}

// Main runs a job of its own: the fixture's job is ended first (only one runs at a time).
class WalkAheadMainTest : public JobTest {
  protected:
    WalkAheadMainTest() { m_ownJob.reset(); }
};

// Catches a walk made before the question used by the job the answer starts: what was made
// while the question was asked would be left.
TEST_F(WalkAheadMainTest, AfterAQuestionTheTreeIsWalkedAsItIs) {
    StoreSettings("English.lng", kMethodSimple, 1);
    m_host.answers.push_back(kAnswerYes);
    MakeFile("tree/a", "1");
    const fs::path tree = m_temp.path() / "tree";
    WalkAhead ahead({tree.string()});
    ahead.WaitForWalks();
    MakeFile("tree/late", "made while the question was asked");
    try {
        Main({tree.string()}, forms(), {}, &ahead);
    } catch (const EndProcessCalled&) {
    }
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{0});
    EXPECT_FALSE(fs::exists(tree));
}

}  // namespace
}  // namespace ostrel::test
