#pragma once

#include <string>

namespace ostrel {

// The four method names, exact and case-sensitive; also the stored "Method" setting.
inline constexpr char kMethodSimple[] = "Simple Overwrite (1 Pass)";
inline constexpr char kMethodDod3[] = "DoD 5220.22-M (3 Passes)";
inline constexpr char kMethodDod7[] = "DoD 5220.22-M (7 Passes)";
inline constexpr char kMethodRecycle[] = "Recycle Bin";

// The method used when none is stored.
inline constexpr const char* kDefaultMethod = kMethodSimple;

// True when `method` is exactly one of the four names (letter case and blanks count). By any
// other name the shredder does nothing at all, so a job must say so rather than report success.
inline bool IsShredMethod(const std::string& method) {
    return method == kMethodSimple || method == kMethodDod3 || method == kMethodDod7 ||
           method == kMethodRecycle;
}

}  // namespace ostrel
