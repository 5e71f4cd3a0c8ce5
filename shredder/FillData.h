#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// The 65 characters of random names and random fill data.
inline constexpr char FillAlphabet[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890-_ ";

// A uniform value in [0, 1) (a single-precision fraction, widened). Each call first mixes the
// clock (seconds since midnight) into the generator's state; the state is seeded once from the
// kernel's entropy and never replaced by the clock, so equal clock readings still give
// independent values.
double NextRandom();

// Restarts the generator from `seed` instead of the kernel's entropy (reproducible sequences).
void SeedRandom(std::uint64_t seed);

// Up to 101 alphabet characters (a draw at the top end adds none) followed by ".tmp"; lets
// pending events run once.
std::string RandFileName();

// `length` alphabet characters; empty for a length below 1. "a" and the space each come up with
// probability 1/128, every other character with 1/64.
std::string RandData(std::int64_t length);

// `recordSize` characters of code `pattern` modulo 256; empty for a negative size or pattern.
std::string FillString(std::int64_t recordSize, std::int64_t pattern);

// `length` bytes of pass `pass` of a pass table (see PassTables.h): random alphabet characters
// for kRandomPass, else the pattern's byte.
std::string PassData(std::int32_t pass, std::int64_t length);

}  // namespace ostrel
