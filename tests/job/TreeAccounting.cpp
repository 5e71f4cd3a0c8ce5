#include "tests/job/TreeAccounting.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <set>

namespace ostrel::test {
namespace {

void ReadLevel(int fd, const std::string& relative, std::map<std::string, bool>& found) {
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = relative.empty() ? name : relative + "/" + name;
        const int child =
            entry->d_type == DT_DIR
                ? openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                : -1;
        found[path] = entry->d_type == DT_DIR;
        if (child >= 0) {
            ReadLevel(child, path, found);
        }
    }
    closedir(dir);
}

// "a/b/c" lies below "a" and "a/b"; everything lies below "".
bool Below(const std::string& path, const std::string& folder) {
    return folder.empty() ? !path.empty()
                          : path.size() > folder.size() && path.starts_with(folder + "/");
}

// N from a reason ending in "N files left"; -1 when it says no such thing.
long FilesLeft(const std::string& reason) {
    const std::string tail = " files left";
    if (!reason.ends_with(tail)) {
        return -1;
    }
    const std::string head = reason.substr(0, reason.size() - tail.size());
    const auto start = head.find_last_not_of("0123456789");
    const std::string digits = start == std::string::npos ? head : head.substr(start + 1);
    return digits.empty() ? -1 : std::stol(digits);
}

}  // namespace

std::map<std::string, bool> ReadTree(const std::string& tree) {
    std::map<std::string, bool> found;
    const int fd = open(tree.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        found[""] = true;
        ReadLevel(fd, "", found);
    }
    return found;
}

std::vector<std::vector<ReportLine>*> LineSections(JobReport& report) {
    return {&report.scheduledAtRestart,
            &report.failed,
            &report.foldersLeft,
            &report.stopped,
            &report.refused,
            &report.trashRefused};
}

std::vector<std::vector<std::string>*> PathSections(JobReport& report) {
    return {&report.contentsKept, &report.notFound};
}

std::vector<std::string> AccountingGaps(const std::string& tree,
                                        const std::map<std::string, bool>& before,
                                        const std::map<std::string, bool>& after,
                                        JobReport report) {
    std::vector<std::string> gaps;
    // Every line, by the entry it names; a line naming an entry twice is a gap.
    std::map<std::string, std::string> lines;
    auto take = [&](const std::string& path, const std::string& reason) {
        if (path != tree && !path.starts_with(tree + "/")) {
            gaps.push_back("a line names something outside the tree: " + path);
            return;
        }
        const std::string relative = path == tree ? "" : path.substr(tree.size() + 1);
        if (!before.contains(relative)) {
            gaps.push_back("a line names what was never there: " + path);
        } else if (!lines.emplace(relative, reason).second) {
            gaps.push_back("named twice: " + path);
        }
    };
    for (const auto* section : LineSections(report)) {
        for (const ReportLine& line : *section) {
            take(line.path, line.reason);
        }
    }
    for (const auto* section : PathSections(report)) {
        for (const std::string& path : *section) {
            take(path, "");
        }
    }
    for (const auto& [relative, reason] : lines) {
        const long claimed = FilesLeft(reason);
        if (claimed < 0) {
            continue;
        }
        long left = 0;
        for (const auto& [path, isFolder] : after) {
            if (!isFolder && before.contains(path) && Below(path, relative) &&
                !lines.contains(path)) {
                ++left;
            }
        }
        if (left != claimed) {
            gaps.push_back(tree + "/" + relative + " says " + std::to_string(claimed) +
                           " files left; " + std::to_string(left) + " are");
        }
    }
    for (const auto& [relative, isFolder] : after) {
        if (!before.contains(relative) || lines.contains(relative)) {
            continue;  // a name the job gave, or named by a line of its own
        }
        bool covered = false;
        for (const auto& [path, reason] : lines) {
            // A folder the walk could not read or did not enter covers what it holds.
            const bool holdsUnseen =
                reason == "could not be read" || reason == "another file system is mounted here";
            covered = covered ||
                      (Below(relative, path) && (FilesLeft(reason) >= 0 || holdsUnseen)) ||
                      (isFolder && Below(path, relative) && after.contains(path));
        }
        if (!covered) {
            gaps.push_back("left and named nowhere: " + tree + "/" + relative);
        }
    }
    return gaps;
}

}  // namespace ostrel::test
