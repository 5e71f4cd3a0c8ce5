#pragma once

#include <cstdint>

namespace ostrel::platform {

// 64 bits from the kernel's random source (getrandom); from the clock and process id only when
// the kernel cannot give any.
std::uint64_t EntropySeed();

}  // namespace ostrel::platform
