#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/ShredMethods.h"

namespace ostrel {

// The passes of the overwrite methods: each a pattern code (a block of that byte), or a block of
// random alphabet characters.
inline constexpr std::int32_t kRandomPass = -1;
inline constexpr std::int32_t kSimplePasses[] = {kRandomPass};
inline constexpr std::int32_t kDod3Passes[] = {0, 255, kRandomPass};
inline constexpr std::int32_t kDod7Passes[] = {0, 255, kRandomPass, kRandomPass,
                                               0, 255, kRandomPass};

// The passes of the overwrite method `method`; none for the trash and for any other name.
inline std::span<const std::int32_t> PassesOfMethod(const std::string& method) {
    if (method == kMethodSimple) {
        return kSimplePasses;
    }
    if (method == kMethodDod3) {
        return kDod3Passes;
    }
    if (method == kMethodDod7) {
        return kDod7Passes;
    }
    return {};
}

}  // namespace ostrel
