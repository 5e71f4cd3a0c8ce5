#pragma once

#include <string>

namespace ostrel {

// The program's three settings as start-up and the options dialog read them.

// "DefaultLang" as the settings store reports it, or "Error" when it cannot be read (first
// run). Lets pending events run first.
std::string CheckIfFirstRun();

// "Method", or "Simple Overwrite (1 Pass)" when it is absent. An empty or unknown stored
// name is returned as it stands (the shredder then does nothing; IsShredMethod tells).
std::string StoredMethod();

// "Confirm" when it is stored as a number (0 or 1, narrowed to 16 bits); 1 (ask) when it is
// absent or stored as anything else, text included.
int StoredConfirm();

}  // namespace ostrel
