#include "tests/job/JobFixture.h"

#include <filesystem>

#include "core/Globals.h"
#include "job/ShredJob.h"
#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"

namespace ostrel::test {
namespace fs = std::filesystem;

JobTest::JobTest() {
    gCommonAppData = m_xdg.DataHome() + "/";
    gDataFolder = m_xdg.DataHome() + "/Tolvane/Quarrix";
    fs::create_directories(Holding());
    fs::permissions(gDataFolder, fs::perms::owner_all, fs::perm_options::replace);
    fs::permissions(Holding(), fs::perms::owner_all, fs::perm_options::replace);
    m_job.TakeReport();
}

JobTest::~JobTest() {
    platform::ClearFaults();
    platform::SetBootIdSource({});
}

int JobTest::Count(const std::ostringstream& stream, const std::string& text) {
    const std::string output = stream.str();
    int count = 0;
    for (auto at = output.find(text); at != std::string::npos; at = output.find(text, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace ostrel::test
