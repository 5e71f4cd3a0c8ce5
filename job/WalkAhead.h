#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/FileSearch.h"
#include "platform/FileSystem.h"

namespace ostrel {

// Walks of the folders given to a run, made on a thread of their own while the windows start
// (a toolkit's start-up takes about as long as the walk of ten thousand files), so that the job
// need not walk them again when it counts its work. The walk only reads: it opens each folder
// given as the job would and lists the tree below it with the sizes of its files.
//
// The job asks for the paths in the order they were given; a path it passes over (refused, or
// not a folder) is not walked any further. A walk is handed over only when the folder given is
// still the one walked and the walk ended moments before: a job that starts later (after a
// question, say) walks again, so that it sees the tree as it is when it begins.
class WalkAhead {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFresh{1000};

    // Starts walking `paths` (as given) in order; `fresh` is how long a finished walk is handed
    // over.
    explicit WalkAhead(std::vector<std::string> paths, Clock::duration fresh = kFresh);
    // Stops the walk under way within a few hundred entries and waits for the thread.
    ~WalkAhead();
    WalkAhead(const WalkAhead&) = delete;
    WalkAhead& operator=(const WalkAhead&) = delete;

    // The walk of the folder given as `path` (without trailing separators), whose walk is to
    // begin at the folder `root`: waits until the thread has done with that path, and gives
    // nullptr when the path was not walked (not a folder, gone, unreadable), the folder is no
    // longer the one walked, the walk is not fresh, or `path` was passed over already. Every
    // path given before this one that was not asked for is passed over: its walk stops.
    std::unique_ptr<cFileSearch> Take(const std::string& path, const platform::FileIdentity& root);

    // Stops walking: nothing more is handed over.
    void Stop();

    // Waits until the thread has done with every path (for a caller that changes the trees and
    // needs to know which state was walked).
    void WaitForWalks();

  private:
    struct Walked {
        platform::FileIdentity root;
        std::unique_ptr<cFileSearch> search;
        Clock::time_point ended;
    };

    void Run();
    // Walks path `index` and keeps the walk, unless it was passed over meanwhile.
    void WalkOne(std::size_t index);
    // True when the walk of path `index` is no longer wanted (called on the thread).
    bool Passed(std::size_t index);

    const std::vector<std::string> m_paths;  // without trailing separators
    const Clock::duration m_fresh;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Walked> m_walked;  // one per path given
    std::size_t m_done = 0;        // the paths the thread has done with
    std::size_t m_wanted = 0;      // the first path the job may still ask for
    std::thread m_thread;          // last: starts once everything above is made
};

}  // namespace ostrel
