#pragma once

#include <string>

namespace ostrel::platform {

// The names the platform layer files the program's own things under. It has none of its own:
// each executable hands them over at its start, before anything that needs them runs. Until then
// every name is empty, and what needs one finds nothing (no state folder, no helper).
struct ProductNames {
    std::string vendorFolder;    // below the state folder: "Vendor/Product"
    std::string displayName;     // the name the helper's autostart entry shows
    std::string dataFolder;      // the installed data files lie in <prefix>/share/<dataFolder>
    std::string helperName;      // the restart-deletion helper's executable
    std::string folderVariable;  // the environment variable that names another program folder
};

void SetProductNames(ProductNames names);
const ProductNames& GetProductNames();

}  // namespace ostrel::platform
