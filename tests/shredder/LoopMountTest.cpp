#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/Globals.h"
#include "platform/InProgressList.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

bool ContainsMarker(const std::string& bytes) {
    return bytes.find("OSTREL-MARKER") != bytes.npos;
}

struct MountRow {
    const char* name;
    const char* method;
    bool holdingOnImage;  // false: the holding folder lies on another file system
};

void PrintTo(const MountRow& row, std::ostream* os) {
    *os << row.name;
}

class LoopMountTest : public ShredderTest, public ::testing::WithParamInterface<MountRow> {
  protected:
    void TearDown() override {
        if (m_mounted) {
            umount2(m_mountPoint.c_str(), MNT_DETACH);
        }
    }
    std::string m_image = m_temp.str() + "/fs.img";
    std::string m_mountPoint = m_temp.str() + "/mnt";
    bool m_mounted = false;
};

// The promise itself: after the shred and an unmount, no copy of the file's contents is left
// anywhere on the file system's disk (data blocks, journal, free space).
TEST_P(LoopMountTest, NoCopyOfTheContentsIsLeftOnTheDisk) {
    fs::create_directory(m_mountPoint);
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a loop image needs root";
    }
    std::string make = "truncate -s 16M '" + m_image + "' && mkfs.ext4 -q -F '" + m_image +
                       "' >/dev/null 2>&1 && mount -o loop '" + m_image + "' '" + m_mountPoint +
                       "' 2>/dev/null";
    if (std::system(make.c_str()) != 0) {
        GTEST_SKIP() << "mkfs.ext4 or mount -o loop is not available or not permitted here";
    }
    m_mounted = true;
    if (GetParam().holdingOnImage) {
        gDataFolder = m_mountPoint + "/data";
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all);
    }
    std::string path = m_mountPoint + "/secret.dat";
    std::string marker;
    for (int i = 0; marker.size() < 300000; ++i) {
        marker += "<OSTREL-MARKER-" + std::to_string(i) + ">";
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(write(fd, marker.data(), marker.size()), ssize_t(marker.size()));
    ASSERT_EQ(fsync(fd), 0);
    ASSERT_EQ(syncfs(fd), 0);
    close(fd);
    ASSERT_TRUE(ContainsMarker(ReadFile(m_image))) << "the marker never reached the image";
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
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(m_mountPoint));
        EXPECT_TRUE(!inProgress.empty() && inProgress.back() == path);
    }
    ASSERT_EQ(umount2(m_mountPoint.c_str(), 0), 0);
    m_mounted = false;
    EXPECT_FALSE(ContainsMarker(ReadFile(m_image)));
}

INSTANTIATE_TEST_SUITE_P(Methods, LoopMountTest,
                         ::testing::Values(MountRow{"Simple", kMethodSimple, true},
                                           MountRow{"Dod3", kMethodDod3, true},
                                           MountRow{"Dod7", kMethodDod7, true},
                                           MountRow{"Dod3HoldingElsewhere", kMethodDod3, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
