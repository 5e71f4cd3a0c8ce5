#include "tests/shredder/ShredderFixture.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/Globals.h"
#include "platform/Clock.h"
#include "platform/FaultInjection.h"
#include "platform/OsVersion.h"
#include "platform/PendingDeletions.h"
#include "shredder/FillData.h"

namespace ostrel::test {

namespace fs = std::filesystem;

ShredderTest::ShredderTest() {
    gDataFolder = m_temp.str() + "/data";
    fs::create_directories(Holding());
    fs::permissions(Holding(), fs::perms::owner_all);
}

ShredderTest::~ShredderTest() {
    platform::ClearFaults();
    platform::SetClockSource({});
    platform::SetVersionSource({});
    platform::SetBootIdSource({});
    gDataFolder.clear();
}

std::string ShredderTest::Holding() const {
    return gDataFolder + "/Safetemp/";
}

std::vector<std::string> ShredderTest::HeldNames() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Holding(), ec)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::string ShredderTest::MakeFile(const std::string& name, const std::string& bytes) const {
    std::string path = m_temp.str() + "/" + name;
    WriteFile(path, bytes);
    return path;
}

ShredOutcome ShredderTest::Shred(const std::string& method, std::string& path, bool renameFlag) {
    clsShredder shredder;
    shredder.p_Attributes = true;
    shredder.p_ShredMethod(method);
    shredder.p_Passes = 7;
    shredder.p_SourceFile = path;
    shredder.RenameFlag = renameFlag;
    shredder.DetermineShredMethod();
    shredder.p_Module("Shredder");
    path = shredder.p_SourceFile;
    return ShredOutcomeOf(shredder);
}

bool AllBytesAre(const std::string& bytes, char value) {
    return std::all_of(bytes.begin(), bytes.end(), [value](char c) { return c == value; });
}

bool OnlyAlphabet(const std::string& bytes) {
    return bytes.find_first_not_of(FillAlphabet) == std::string::npos;
}

bool SetImmutable(const std::string& path, bool on) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return ok;
}

}  // namespace ostrel::test
