#pragma once

namespace ostrel::platform {

// Asks for a higher scheduling priority for this process (nice -10, never lower than it
// already is). Best effort: returns false when the system refused, and nothing changes then.
bool RaiseProcessPriority();

}  // namespace ostrel::platform
