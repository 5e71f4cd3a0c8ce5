#include "job/JobProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"

namespace ostrel {
namespace {

// A time left is told only after this much shredding and this part of the work: before that
// the rate says more about the first files than about the job.
constexpr std::chrono::seconds kEstimateAfter{2};
constexpr double kEstimateFraction = 0.01;

std::string TwoDigits(long long value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02lld", value);
    return text;
}

}  // namespace

std::int64_t JobProgress::FileWork(std::int64_t size, int passes) {
    return std::max<std::int64_t>(size, 0) * std::max(passes, 0) + kFileWork;
}

void JobProgress::Start(Clock::time_point now) {
    *this = JobProgress();
    m_start = now;
}

void JobProgress::SetPhase(Phase phase, Clock::time_point now) {
    if (phase == Phase::Shredding && !m_shreddingSince) {
        m_shreddingSince = now;
    }
    m_phase = phase;
}

void JobProgress::AddPlanned(std::int32_t files, std::int64_t work) {
    m_filesPlanned += files;
    m_workPlanned += work;
}

void JobProgress::FileSettled(std::int64_t work) {
    ++m_filesDone;
    m_workDone += work;
    // More files than were counted (made since the count): the plan grows with them.
    m_filesPlanned = std::max(m_filesPlanned, m_filesDone);
}

double JobProgress::Fraction() const {
    if (m_phase == Phase::Done) {
        return 1.0;
    }
    const std::int64_t done = m_workDone + std::max<std::int64_t>(m_underWay, 0);
    const std::int64_t planned = std::max(m_workPlanned, done);
    return planned == 0 ? 0.0 : static_cast<double>(done) / static_cast<double>(planned);
}

std::int32_t JobProgress::Bar() const {
    // Full only when the job is: rounding down keeps a bar whose last file is under way short
    // of its end.
    return static_cast<std::int32_t>(std::floor(Fraction() * kBarMax));
}

std::optional<std::chrono::seconds> JobProgress::Remaining(Clock::time_point now) const {
    const double fraction = Fraction();
    if (!m_shreddingSince || m_phase == Phase::Done || fraction < kEstimateFraction ||
        now - *m_shreddingSince < kEstimateAfter) {
        return std::nullopt;
    }
    const std::chrono::duration<double> spent = now - *m_shreddingSince;
    const double left = spent.count() * (1.0 - fraction) / fraction;
    return std::chrono::seconds(static_cast<std::int64_t>(std::ceil(left)));
}

std::string JobProgress::Status(Clock::time_point now) const {
    switch (m_phase) {
        case Phase::Counting:
            return GetLangString(lang::kProgressCounting);
        case Phase::Flushing:
            return GetLangString(lang::kProgressFlushing);
        case Phase::RemovingFolders:
            return GetLangString(lang::kProgressRemovingFolders);
        case Phase::Shredding:
        case Phase::Done:
            break;
    }
    std::string status =
        FillIn(GetLangString(lang::kProgressFiles), std::to_string(m_filesDone),
               CountOf(m_filesPlanned, lang::kConfirmOneFile, lang::kConfirmFiles));
    if (m_phase == Phase::Done) {
        return status;
    }
    if (m_pass > 0 && m_passes > 1) {
        status += ", " + FillIn(GetLangString(lang::kProgressPass), std::to_string(m_pass),
                                std::to_string(m_passes));
    }
    if (const auto left = Remaining(now)) {
        status += ", " + FillIn(GetLangString(lang::kProgressTimeLeft), FormatDuration(*left));
    }
    return status;
}

std::string FormatDuration(std::chrono::duration<double> time) {
    const double seconds = std::max(time.count(), 0.0);
    // A short job said in tenths of a second would read "0.0 s", as if nothing had taken time.
    if (seconds < 0.9995) {
        return std::to_string(std::llround(seconds * 1000)) + " ms";
    }
    if (seconds < 9.95) {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f s", seconds);
        return text;
    }
    const auto whole = static_cast<long long>(std::llround(seconds));
    if (whole < 60) {
        return std::to_string(whole) + " s";
    }
    if (whole < 3600) {
        return std::to_string(whole / 60) + " min " + TwoDigits(whole % 60) + " s";
    }
    const long long minutes = (whole + 30) / 60;
    return std::to_string(minutes / 60) + " h " + TwoDigits(minutes % 60) + " min";
}

std::string CountOf(std::int32_t count, std::int16_t one, std::int16_t many) {
    return std::to_string(count) + " " + GetLangString(count == 1 ? one : many);
}

std::string FillIn(std::string text, const std::string& first, const std::string& second,
                   const std::string& third) {
    const std::pair<const char*, const std::string*> marks[] = {
        {"%1", &first}, {"%2", &second}, {"%3", &third}};
    for (const auto& [mark, value] : marks) {
        if (const auto at = text.find(mark); at != std::string::npos) {
            text.replace(at, 2, *value);
        }
    }
    return text;
}

}  // namespace ostrel
