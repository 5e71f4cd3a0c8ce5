#pragma once

namespace ostrel::platform {

// True when standard input is a terminal (a person can answer a question there).
bool StandardInputIsTerminal();

}  // namespace ostrel::platform
