#include "job/ConfirmQuestion.h"
#include "job/ShredJob.h"

namespace ostrel {

// Not built yet: the free-space fill comes next. Until then a wipe reports that nothing was done.
void ShredJob::WipeFreeSpace(const std::string& folder) {
    m_report.failed.push_back({folder, "wiping free space is not built yet"});
}

std::string WipeQuestion(const std::string& folder) {
    return ConfirmQuestion({folder});
}

}  // namespace ostrel
