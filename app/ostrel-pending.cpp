// The helper started at login (and by the program): deletes the files that were scheduled for
// deletion at restart during an earlier boot, if each path still names the file recorded.
#include <cstdio>
#include <cstring>

#include "core/ProductNames.h"
#include "platform/PendingDeletions.h"
#include "platform/StandardDescriptors.h"
#include "platform/StateFolder.h"

int main(int argc, char** argv) {
    if (!ostrel::platform::EnsureStandardDescriptorsOpen()) {
        return 1;
    }
    ostrel::GiveProductNamesToPlatform();
    // Run with another user's folders (as by "sudo -E"), the list is not that user's to act on.
    const ostrel::platform::OwnPathCheck check = ostrel::platform::CheckStateFolder();
    if (!check.Ok()) {
        std::fprintf(stderr, "ostrel-pending: nothing was deleted: %s\n",
                     ostrel::platform::DescribeOwnPathCheck(check).c_str());
        return 1;
    }
    ostrel::platform::SweepResult result = ostrel::platform::DeletePendingFromEarlierBoots();
    if (argc > 1 && std::strcmp(argv[1], "--verbose") == 0) {
        std::printf("deleted %d, dropped %d, kept %d\n", result.deleted, result.dropped,
                    result.kept);
    }
    return 0;
}
