#pragma once

namespace ostrel::platform {

// True when standard input is a terminal (a person can answer a question there).
bool StandardInputIsTerminal();

// True when standard error is a terminal (progress can be redrawn in place).
bool StandardErrorIsTerminal();

}  // namespace ostrel::platform
