#pragma once

#include <string>

namespace ostrel {

// The program's data folder (the all-users application data folder followed by
// "Tolvane/Quarrix"), without a trailing separator. Start-up sets it; until it does, it is
// $XDG_DATA_HOME/Tolvane/Quarrix (default ~/.local/share/Tolvane/Quarrix).
std::string DataFolder();
void SetDataFolder(std::string folder);

// The holding folder the overwrite methods move files into: DataFolder() followed by
// "/Safetemp/". The shredder never creates it.
std::string HoldingFolder();

}  // namespace ostrel
