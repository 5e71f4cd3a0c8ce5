#include "platform/Terminal.h"

#include <unistd.h>

namespace ostrel::platform {

bool StandardInputIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

}  // namespace ostrel::platform
