#pragma once

#include <functional>

namespace ostrel::platform {

// Seconds since local midnight, with the fraction the clock gives.
double SecondsSinceMidnight();

// Replaces the clock behind SecondsSinceMidnight (an empty function: the real clock again).
// Returns the clock installed before.
std::function<double()> SetClockSource(std::function<double()> clock);

}  // namespace ostrel::platform
