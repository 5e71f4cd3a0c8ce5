// A start's sweep of the fill folders that interrupted free-space wipes recorded: it deletes the
// fill files and the folder of a wipe that is gone (also one whose process let go of the folder a
// moment after it died), leaves a running wipe's alone, and never touches a folder that is not
// the one recorded.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "core/ProductNames.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/FreeSpace.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

enum class Holder { None, ReleasesSoon, KeepsIt };

struct Row {
    const char* name;
    Holder holder;
    bool replaced;  // another folder took the recorded one's place since
    bool cleared;   // the fill files and the folder are gone
};

class FillFoldersTest : public ::testing::TestWithParam<Row> {
  protected:
    FillFoldersTest() { GiveProductNamesToPlatform(); }
    XdgSandbox m_xdg;
    TempDir m_temp;
};

TEST_P(FillFoldersTest, ASweepClearsOnlyWhatAGoneWipeLeft) {
    const Row& row = GetParam();
    const fs::path folder = m_temp.path() / "fill";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0700);
    const platform::Folder recorded = platform::Folder::Open(folder.string());
    ASSERT_TRUE(platform::RecordFillFolder(folder.string(), recorded.Identity()));
    if (row.replaced) {
        fs::rename(folder, m_temp.path() / "moved away");
        fs::create_directory(folder);
        ::chmod(folder.c_str(), 0700);
    }
    WriteFile(folder / platform::FillFileName(0), std::string(1 << 20, 'x'));
    WriteFile(folder / platform::FillFileName(1), "y");

    std::unique_ptr<HolderProcess> holder;
    std::thread release;
    if (row.holder != Holder::None) {
        holder = std::make_unique<HolderProcess>(folder.string(), HolderProcess::Hold::Flock);
        ASSERT_TRUE(holder->Holding());
        if (row.holder == Holder::ReleasesSoon) {
            release = std::thread([&holder] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                holder.reset();
            });
        }
    }
    const platform::FillSweep sweep = platform::DeleteLeftFillFolders();
    if (release.joinable()) {
        release.join();
    }
    holder.reset();

    EXPECT_EQ(!fs::exists(folder), row.cleared);
    EXPECT_EQ(sweep.deleted.size(), row.cleared ? 1u : 0u);
    if (row.cleared) {
        EXPECT_EQ(sweep.deleted[0].first, folder.string());
        EXPECT_EQ(sweep.deleted[0].second.files, 2);
        EXPECT_EQ(sweep.deleted[0].second.bytes, (1 << 20) + 1);
    } else {
        EXPECT_EQ(ReadFile(folder / platform::FillFileName(1)), "y");
    }
    EXPECT_TRUE(sweep.failed.empty());
    EXPECT_TRUE(sweep.waiting.empty());
    // A running wipe keeps its record; a gone one, or a folder that is not ours, is forgotten.
    EXPECT_EQ(platform::FillFolderEntries().size(), row.holder == Holder::KeepsIt ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Sweeps, FillFoldersTest,
    ::testing::Values(Row{"NobodyHoldsIt", Holder::None, false, true},
                      Row{"ADeadWipeLetsGoAMomentLate", Holder::ReleasesSoon, false, true},
                      Row{"ARunningWipeKeepsIt", Holder::KeepsIt, false, false},
                      Row{"AnotherFolderInItsPlace", Holder::None, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
