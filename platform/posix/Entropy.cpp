#include "platform/Entropy.h"

#include <sys/random.h>
#include <time.h>
#include <unistd.h>

namespace ostrel::platform {

std::uint64_t EntropySeed() {
    std::uint64_t seed = 0;
    if (::getrandom(&seed, sizeof seed, 0) == static_cast<ssize_t>(sizeof seed)) {
        return seed;
    }
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<std::uint64_t>(now.tv_sec) << 32) ^
           static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(::getpid()) << 48);
}

}  // namespace ostrel::platform
