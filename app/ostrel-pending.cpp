// The helper started at login: first deletes the fill files that an interrupted free-space wipe
// left (so that no disk stays full), saying so on standard error; then deletes the files that were
// scheduled for deletion at restart during an earlier boot, if each path still names the very file
// version recorded. A file that changed or was replaced since is kept, and one whose disk is not
// there yet waits; both stay on the list for the program's next start to report, and are logged on
// standard error.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "core/ProductNames.h"
#include "platform/FreeSpace.h"
#include "platform/PendingDeletions.h"
#include "platform/StandardDescriptors.h"
#include "platform/StateFolder.h"

namespace {

// `path` with control characters shown as '?', so that each message is one line.
std::string OneLine(std::string path) {
    for (char& c : path) {
        c = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return path;
}

}  // namespace

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
    const ostrel::platform::FillSweep fills = ostrel::platform::DeleteLeftFillFolders();
    for (const auto& [path, deleted] : fills.deleted) {
        std::fprintf(stderr,
                     "ostrel-pending: deleted %d fill files (%lld bytes) an interrupted "
                     "free-space wipe left in %s\n",
                     deleted.files, static_cast<long long>(deleted.bytes), OneLine(path).c_str());
    }
    for (const auto& [path, error] : fills.failed) {
        std::fprintf(stderr, "ostrel-pending: could not delete the fill files in %s: %s\n",
                     OneLine(path).c_str(), std::strerror(error));
    }
    for (const std::string& path : fills.waiting) {
        std::fprintf(stderr, "ostrel-pending: fill files waiting for the disk that holds %s\n",
                     OneLine(path).c_str());
    }
    const ostrel::platform::SweepResult result =
        ostrel::platform::DeletePendingFromEarlierBoots(ostrel::platform::ChangedEntries::Keep);
    for (const auto& [paths, what] :
         {std::pair(&result.changed, "kept, it changed since it was scheduled or was replaced"),
          std::pair(&result.waiting, "waiting for the disk that holds it")}) {
        for (const std::string& path : *paths) {
            std::fprintf(stderr, "ostrel-pending: %s: %s\n", what, OneLine(path).c_str());
        }
    }
    if (argc > 1 && std::strcmp(argv[1], "--verbose") == 0) {
        std::printf("deleted %d, dropped %d, kept %d\n", result.deleted, result.dropped,
                    result.kept);
    }
    return 0;
}
