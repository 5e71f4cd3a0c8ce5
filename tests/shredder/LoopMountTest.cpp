#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "shredder/ShredderContext.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

// A marker no other data on a fresh file system could contain by chance.
std::string MarkerBytes(std::size_t size) {
    std::string bytes;
    for (int i = 0; bytes.size() < size; ++i) {
        bytes += "<OSTREL-MARKER-" + std::to_string(i) + ">";
    }
    bytes.resize(size);
    return bytes;
}

bool ContainsMarker(const std::string& bytes) {
    return bytes.find("OSTREL-MARKER") != bytes.npos;
}

void WriteAndSync(const std::string& path, const std::string& bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ASSERT_EQ(fsync(fd), 0);
    ASSERT_EQ(syncfs(fd), 0);
    close(fd);
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
    // Makes a 16 MiB ext4 image and mounts it; false (with the reason) when that is not
    // permitted here.
    bool MountImage(std::string& why) {
        m_image = m_temp.str() + "/fs.img";
        m_mountPoint = m_temp.str() + "/mnt";
        fs::create_directory(m_mountPoint);
        if (geteuid() != 0) {
            why = "mounting a loop image needs root";
            return false;
        }
        std::string make = "truncate -s 16M '" + m_image + "' && mkfs.ext4 -q -F '" + m_image +
                           "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            why = "mkfs.ext4 is not available";
            return false;
        }
        std::string mount = "mount -o loop '" + m_image + "' '" + m_mountPoint + "' 2>/dev/null";
        if (std::system(mount.c_str()) != 0) {
            why = "mount -o loop is not permitted here";
            return false;
        }
        m_mounted = true;
        return true;
    }
    std::string m_image;
    std::string m_mountPoint;
    bool m_mounted = false;
};

// The promise itself: after the shred and an unmount, no copy of the file's contents is left
// anywhere on the file system's disk (data blocks, journal, free space).
TEST_P(LoopMountTest, NoCopyOfTheContentsIsLeftOnTheDisk) {
    std::string why;
    if (!MountImage(why)) {
        GTEST_SKIP() << why;
    }
    if (GetParam().holdingOnImage) {
        SetDataFolder(m_mountPoint + "/data");
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all);
    }
    std::string path = m_mountPoint + "/secret.dat";
    WriteAndSync(path, MarkerBytes(300000));
    ASSERT_TRUE(ContainsMarker(ReadFile(m_image))) << "the marker never reached the image";

    EXPECT_EQ(Shred(GetParam().method, path), ShredOutcome::Destroyed);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(fs::path(path).parent_path() == fs::path(m_mountPoint), !GetParam().holdingOnImage);
    EXPECT_TRUE(HeldNames().empty());

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
