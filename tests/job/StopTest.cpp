#include <filesystem>

#include "job/ShredJob.h"
#include "tests/job/JobFixture.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

using StopTest = JobTest;

// A stop asked for while a file is half overwritten (as closing the progress window does)
// lets that file finish; nothing after it is touched, and the report names what is left.
TEST_F(StopTest, StopFinishesTheCurrentFileAndReportsTheRest) {
    const std::string contents(5 * 8192, 'k');
    for (const char* name : {"tree/a", "tree/b", "tree/sub/c"}) {
        MakeFile(name, contents);
    }
    const std::string later = MakeFile("later", "given after the tree");
    const std::string tree = (m_temp.path() / "tree").string();
    bool stopAsked = false;
    bool anyRunningSeen = false;
    m_host.onDoEvents = [&] {
        anyRunningSeen = anyRunningSeen || ShredJob::AnyRunning();
        // The first file has been moved into the holding folder: its passes are under way.
        if (!stopAsked && !fs::is_empty(Holding())) {
            stopAsked = true;
            ShredJob::StopRunning();
        }
    };

    m_job.ShredSinglePath(tree);
    m_job.ShredSinglePath(later);
    m_host.onDoEvents = nullptr;

    ASSERT_TRUE(stopAsked);
    EXPECT_TRUE(anyRunningSeen);
    EXPECT_TRUE(fs::is_empty(Holding())) << "the file being shredded was finished";
    int left = 0;
    for (const char* name : {"tree/a", "tree/b", "tree/sub/c"}) {
        if (fs::exists(m_temp.path() / name)) {
            ++left;
            EXPECT_EQ(ReadFile(m_temp.path() / name), contents) << name << " was touched";
        }
    }
    EXPECT_EQ(left, 2);
    EXPECT_EQ(ReadFile(later), "given after the tree");
    const JobReport report = m_job.TakeReport();
    ASSERT_EQ(report.stopped.size(), 2u);
    EXPECT_EQ(report.stopped[0].path, tree);
    EXPECT_EQ(report.stopped[0].reason.substr(0, 2), "2 ") << report.stopped[0].reason;
    EXPECT_EQ(report.stopped[1].path, later);
    EXPECT_FALSE(report.Empty());
}

// Nothing is running outside a job, and a stop asked for then does not reach the next job.
TEST_F(StopTest, StopWithoutARunningJobChangesNothing) {
    const std::string file = MakeFile("file", "x");
    m_ownJob.reset();
    EXPECT_FALSE(ShredJob::AnyRunning());
    ShredJob::StopRunning();

    ShredJob job(forms());
    job.ShredSinglePath(file);

    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(job.TakeReport().Empty());
}

}  // namespace
}  // namespace ostrel::test
