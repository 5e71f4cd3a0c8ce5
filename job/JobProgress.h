#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// How far a job has got, in files and in the work their passes take, for the progress window.
// Everything is counted before the first byte is written (AddPlanned); a file counts as done
// only when it is settled (its last pass and deleting close succeeded, or it ended otherwise),
// and the bytes the passes of the files under way have written so far fill the gap between
// files. Plain values: the job feeds it, the window shows what Bar() and Status() make of it.
class JobProgress {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Phase { Counting, Shredding, Flushing, RemovingFolders, Done };

    // The bar's maximum: fine enough for a bar of some hundred pixels at any scale.
    static constexpr std::int32_t kBarMax = 1000;
    // What a file costs besides its bytes (the move, the flushes, the delete), in bytes of
    // writing: a job of many empty files moves too.
    static constexpr std::int64_t kFileWork = std::int64_t{64} << 10;

    // The work of one file of `size` bytes overwritten by `passes` passes.
    static std::int64_t FileWork(std::int64_t size, int passes);

    void Start(Clock::time_point now);
    void AddPlanned(std::int32_t files, std::int64_t work);
    void SetPhase(Phase phase, Clock::time_point now);
    Phase CurrentPhase() const { return m_phase; }
    // A file is settled: `work` is what FileWork gave it.
    void FileSettled(std::int64_t work);
    // The work done so far by the files under way (their passes' bytes written).
    void SetUnderWay(std::int64_t work) { m_underWay = work; }
    // The pass of the file being written here, 1-based (0: none shown), of `passes`.
    void SetPass(int pass, int passes) {
        m_pass = pass;
        m_passes = passes;
    }

    std::int32_t FilesDone() const { return m_filesDone; }
    std::int32_t FilesPlanned() const { return m_filesPlanned; }
    // The bar's value, 0 to kBarMax.
    std::int32_t Bar() const;
    // The time left, once it can be told: some seconds of shredding and a part of the work done.
    std::optional<std::chrono::seconds> Remaining(Clock::time_point now) const;
    // The line below the bar in the language file's words.
    std::string Status(Clock::time_point now) const;
    Clock::duration Elapsed(Clock::time_point now) const { return now - m_start; }

  private:
    double Fraction() const;

    Phase m_phase = Phase::Counting;
    Clock::time_point m_start;
    std::optional<Clock::time_point> m_shreddingSince;  // the first file's start
    std::int32_t m_filesPlanned = 0;
    std::int32_t m_filesDone = 0;
    std::int64_t m_workPlanned = 0;
    std::int64_t m_workDone = 0;
    std::int64_t m_underWay = 0;
    int m_pass = 0;
    int m_passes = 0;
};

// A time as the progress window says it: "40 ms", "4.2 s", "42 s", "3 min 05 s", "1 h 20 min".
std::string FormatDuration(std::chrono::duration<double> time);

// "1 file", "3 files": `count` and language string `one` or `many`.
std::string CountOf(std::int32_t count, std::int16_t one, std::int16_t many);

// `text` with "%1" replaced by `first` and "%2" by `second`.
std::string FillIn(std::string text, const std::string& first, const std::string& second = {},
                   const std::string& third = {});

}  // namespace ostrel
