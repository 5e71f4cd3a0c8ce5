#include "platform/Clock.h"

#include <time.h>

#include <utility>

namespace ostrel::platform {
namespace {

std::function<double()>& InstalledClock() {
    static std::function<double()> clock;
    return clock;
}

// The local-time conversion runs once per second; the fill data asks for the clock per byte.
double RealSecondsSinceMidnight() {
    thread_local time_t cachedSecond = -1;
    thread_local double cachedSecondOfDay = 0;
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec != cachedSecond) {
        struct tm local {};
        ::localtime_r(&now.tv_sec, &local);
        cachedSecond = now.tv_sec;
        cachedSecondOfDay = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    }
    return cachedSecondOfDay + now.tv_nsec * 1e-9;
}

}  // namespace

double SecondsSinceMidnight() {
    const auto& clock = InstalledClock();
    return clock ? clock() : RealSecondsSinceMidnight();
}

std::function<double()> SetClockSource(std::function<double()> clock) {
    return std::exchange(InstalledClock(), std::move(clock));
}

}  // namespace ostrel::platform
