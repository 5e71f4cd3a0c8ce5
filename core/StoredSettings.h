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

// "Confirm" (0 or 1 as stored, narrowed to 16 bits), or 1 when it is absent.
int StoredConfirm();

}  // namespace ostrel
