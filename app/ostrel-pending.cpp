// The helper started at login (and by the program): deletes the files that were scheduled for
// deletion at restart during an earlier boot, if each path still names the file recorded.
#include <cstdio>
#include <cstring>

#include "platform/PendingDeletions.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    if (!ostrel::platform::EnsureStandardDescriptorsOpen()) {
        return 1;
    }
    ostrel::platform::SweepResult result = ostrel::platform::DeletePendingFromEarlierBoots();
    if (argc > 1 && std::strcmp(argv[1], "--verbose") == 0) {
        std::printf("deleted %d, dropped %d, kept %d\n", result.deleted, result.dropped,
                    result.kept);
    }
    return 0;
}
