// Jobs seen through the windows: the progress window, and a job stopped by closing it.
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "controls/VistaProg.h"
#include "core/PathHelpers.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/ui/UiFixture.h"
#include "ui/Texts.h"
#include "ui/frmProgress.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// One move of the bar: files started (gone from their name) and under way (in the holding folder).
struct BarSample {
    double fraction;
    int max;
    int started;
    int underWay;
    QString status;
};

class JobWindowsTest : public UiTest {
  protected:
    // Lets Qt's events run at every DoEvents, then runs `look` while the progress window shows.
    void WhileProgressShown(std::function<void(ui::frmProgress&)> look) {
        m_host.onDoEvents = [this, look = std::move(look)] {
            QCoreApplication::processEvents();
            ui::frmProgress* progress = m_forms.LoadedProgress();
            if (progress != nullptr && progress->isVisible()) {
                look(*progress);
            }
        };
    }
    // Runs Main on `paths`, sampling each move of the bar; `slowEvents` makes every eighth
    // DoEvents take 100 ms, as on a busy desktop.
    std::vector<BarSample> SampleTheBar(const std::vector<std::string>& paths,
                                        bool slowEvents = false);
};

std::vector<BarSample> JobWindowsTest::SampleTheBar(const std::vector<std::string>& paths,
                                                    bool slowEvents) {
    std::vector<BarSample> samples;
    int calls = 0;
    WhileProgressShown([&](ui::frmProgress& progress) {
        if (slowEvents && ++calls % 8 == 0) {
            QThread::msleep(100);
        }
        const double fraction = static_cast<double>(progress.pb()->Value()) / progress.pb()->Max();
        if (!samples.empty() && samples.back().fraction == fraction) {
            return;
        }
        const auto started = std::count_if(paths.begin(), paths.end(),
                                           [](const std::string& p) { return !fs::exists(p); });
        const auto underWay =
            std::distance(fs::directory_iterator(Holding()), fs::directory_iterator());
        const auto* status = progress.findChild<QLabel*>("lblStatus");
        samples.push_back({fraction, progress.pb()->Max(), static_cast<int>(started),
                           static_cast<int>(underWay),
                           status != nullptr ? status->text() : QString()});
    });
    EXPECT_TRUE(RunMain(paths));
    m_host.onDoEvents = nullptr;
    return samples;
}

constexpr char kDod7[] = "DoD 5220.22-M (7 Passes)";

// Each file's shortened path is shown; the files go and the window is unloaded.
TEST_F(JobWindowsTest, ProgressWindowFollowsTheJob) {
    StoreSettings("English.lng", nullptr, 0);
    const std::string deep =
        MakeFile("tree/a folder with a rather long name/and a deeper one/c", "3");
    MakeFile("tree/a", "1");
    MakeFile("tree/b", "22");
    const std::string tree = (m_temp.path() / "tree").string();
    std::set<QString> captions;
    WhileProgressShown([&](ui::frmProgress& progress) {
        if (!progress.pb()->CaptionLabel()->text().isEmpty()) {
            captions.insert(progress.pb()->CaptionLabel()->text());
        }
    });

    EXPECT_TRUE(RunMain({tree}));

    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{0});
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_EQ(m_forms.LoadedProgress(), nullptr);
    EXPECT_EQ(captions.size(), 3u) << "each file is shown";
    const std::string shortDeep = ShortenPath(deep, 60);
    EXPECT_NE(shortDeep, deep) << "the deep path is long enough to be shortened";
    EXPECT_TRUE(captions.contains(QString::fromStdString(shortDeep))) << shortDeep;
}

// A large file moves the bar while its passes are written, and the line below says which pass.
TEST_F(JobWindowsTest, TheBarMovesWithinALargeFile) {
    StoreSettings("English.lng", kDod7, 0);
    const std::string file = MakeFile("large", std::string(std::size_t{16} << 20, 'L'));

    const std::vector<BarSample> samples = SampleTheBar({file}, true);

    EXPECT_FALSE(fs::exists(file));
    std::vector<double> within;  // while the file is under way
    bool laterPass = false;
    for (const BarSample& s : samples) {
        if (s.started == 1 && s.underWay == 1) {
            within.push_back(s.fraction);
            laterPass = laterPass || s.status.contains(QRegularExpression("pass [2-7] of 7"));
        }
    }
    ASSERT_GE(within.size(), 3u) << "the bar moves while the file's passes are written";
    EXPECT_TRUE(std::is_sorted(within.begin(), within.end()));
    EXPECT_LT(within.front(), 0.5);
    EXPECT_GT(within.back(), 0.5);
    EXPECT_TRUE(laterPass);
}

// Files given one by one are one job: the bar is never ahead of the files started, never far
// behind those finished, and the status counts the whole job.
TEST_F(JobWindowsTest, TheBarFollowsTheWholeJobOfFilesGivenOneByOne) {
    StoreSettings("English.lng", nullptr, 0);
    constexpr int kFiles = 300;
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        paths.push_back(MakeFile("selection/f" + std::to_string(i), std::string(4096, 'x')));
    }

    const std::vector<BarSample> samples = SampleTheBar(paths);

    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{0});
    ASSERT_GE(samples.size(), 5u) << "the bar moves during the job";
    bool halfWay = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const BarSample& s = samples[i];
        SCOPED_TRACE(::testing::Message()
                     << "sample " << i << ": bar " << s.fraction << " of " << s.max << ", "
                     << s.started << " started, " << s.underWay << " under way");
        EXPECT_EQ(s.max, samples.front().max) << "one maximum for the whole job";
        EXPECT_LE(s.fraction, static_cast<double>(s.started) / kFiles + 1e-9);
        EXPECT_GE(s.fraction, static_cast<double>(s.started - s.underWay) / kFiles - 0.05);
        if (i > 0) {
            EXPECT_GE(s.fraction, samples[i - 1].fraction);
        }
        halfWay = halfWay || (s.fraction > 0.3 && s.fraction < 0.7);
        if (s.started > 0 && s.started < kFiles) {
            EXPECT_TRUE(s.status.contains(QString(" of %1 files").arg(kFiles)))
                << s.status.toStdString();
        }
    }
    EXPECT_TRUE(halfWay) << "the bar passes the middle of the job";
    EXPECT_EQ(samples.back().fraction, 1.0);
    EXPECT_TRUE(samples.back().status.startsWith(QString("Done: %1 files").arg(kFiles)))
        << samples.back().status.toStdString();
}

// A start waiting for another start's lock says so, then goes on with its job.
TEST_F(JobWindowsTest, AWaitingStartSaysSoInTheProgressWindow) {
    StoreSettings("English.lng", nullptr, 0);
    const fs::path vendor = fs::path(m_xdg.DataHome()) / "Tolvane";
    fs::create_directories(vendor / "Quarrix");
    for (const fs::path& folder : {vendor, vendor / "Quarrix"}) {
        fs::permissions(folder, fs::perms::owner_all);
    }
    const fs::path lock = vendor / "Quarrix/Safetemp.lock";
    WriteFile(lock, "");
    fs::permissions(lock, fs::perms::owner_read | fs::perms::owner_write);
    auto other = std::make_unique<HolderProcess>(lock.string(), HolderProcess::Hold::Flock);
    ASSERT_TRUE(other->Holding());
    ScopedEnv limit(kStartWaitVariable, "60");
    const std::string file = MakeFile("secret", "data");
    QString captionWhileWaiting;
    WhileProgressShown([&](ui::frmProgress& progress) {
        if (other && !progress.pb()->CaptionLabel()->text().isEmpty()) {
            captionWhileWaiting = progress.pb()->CaptionLabel()->text();
            other.reset();
        }
    });

    EXPECT_TRUE(RunMain({file}));

    EXPECT_EQ(captionWhileWaiting, EnglishTexts().at(lang::kWaitingForOtherStart));
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{0});
    EXPECT_FALSE(fs::exists(file));
}

// Closing mid-file finishes that file and stops: the rest stays intact and is reported.
TEST_F(JobWindowsTest, ClosingTheProgressWindowStopsAfterTheCurrentFile) {
    StoreSettings("English.lng", kDod7, 0);
    const std::string contents(64 * 8192, 'q');
    for (const char* name : {"tree/a", "tree/b", "tree/c"}) {
        MakeFile(name, contents);
    }
    const std::string tree = (m_temp.path() / "tree").string();
    const std::string later = MakeFile("later", "given after the tree");
    QString titleAfterClose;
    QImage frameBefore, frameAfter;  // as drawn: the new title is seen, not only stored
    WhileProgressShown([&](ui::frmProgress& progress) {
        if (titleAfterClose.isEmpty() && !fs::is_empty(Holding())) {
            frameBefore = progress.frOW()->grab().toImage();
            progress.close();  // as the window's close button does
            titleAfterClose = progress.frOW()->title();
            frameAfter = progress.frOW()->grab().toImage();
        }
    });

    EXPECT_TRUE(RunMain({tree, later}));

    EXPECT_EQ(titleAfterClose, EnglishTexts().at(lang::kStoppingAfterFile));
    EXPECT_NE(frameBefore, frameAfter);
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{1}) << "something was left";
    EXPECT_TRUE(fs::is_empty(Holding())) << "the file under way was finished";
    int intact = 0;
    for (const char* name : {"tree/a", "tree/b", "tree/c"}) {
        if (fs::exists(m_temp.path() / name)) {
            EXPECT_EQ(ReadFile(m_temp.path() / name), contents) << name;
            ++intact;
        }
    }
    EXPECT_EQ(intact, 2);
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    const std::string& report = m_host.msgBoxes[0].text;
    EXPECT_NE(report.find(ui::Bytes(EnglishTexts().at(lang::kReportStopped))), std::string::npos)
        << report;
    EXPECT_NE(report.find(tree + " (2 "), std::string::npos) << report;
    EXPECT_NE(report.find("\n" + later), std::string::npos) << report;
    EXPECT_EQ(ReadFile(later), "given after the tree");
}

}  // namespace
}  // namespace ostrel::test
