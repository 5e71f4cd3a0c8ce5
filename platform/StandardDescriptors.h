#pragma once

namespace ostrel::platform {

// Opens each of the descriptors 0, 1 and 2 that is closed on /dev/null, so that no file opened
// later (a lock file, the settings) gets one of those numbers and receives what is written to
// standard output or error. Call it first in main(). False when one could not be opened.
bool EnsureStandardDescriptorsOpen();

}  // namespace ostrel::platform
