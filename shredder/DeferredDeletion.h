#pragma once

#include <string>

namespace ostrel {

// Version tests; each is False unless the version record can be read.
bool IsWin95();      // platform 1, 4.0, build field 950
bool IsWin95OSR2();  // platform 1, 4.0, build field 1111
bool IsWin98();      // platform 1, 4.10, build field >= 1998
bool IsWinME();      // platform 1, 4.90, build field >= 3000

// The Windows 9x way of deleting at restart: appends "NUL=" path CR LF to WinInit.ini in the
// folder named by the environment variable WinDir (creating the file with a "[Rename]" header
// when there is none). Existing text is kept up to its first NUL character, whatever its
// length; the file is replaced atomically, so a crash leaves the old text or the new. True when
// the file was written.
bool AppendWinInitEntry(const std::string& path);

}  // namespace ostrel
