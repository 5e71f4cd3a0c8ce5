#pragma once

#include <cerrno>

namespace ostrel::platform {

// System error numbers that the layers above tell apart but that <cerrno> does not have on
// every system. Where it has them they are the system's own, so a backend hands the system's
// number on as it is; elsewhere the backend reports the number given here (Windows' own number
// for the same condition).

// The file or folder under a name is not the one that was seen there: it was replaced, moved or
// turned into a link since.
#ifdef ESTALE
inline constexpr int kErrorStale = ESTALE;
#else
inline constexpr int kErrorStale = 10070;
#endif

// The user's disk quota is used up: to the user, the disk is full.
#ifdef EDQUOT
inline constexpr int kErrorQuota = EDQUOT;
#else
inline constexpr int kErrorQuota = 10069;
#endif

}  // namespace ostrel::platform
