// ostrel-lngwrite SOURCE OUTPUT: writes the language file OUTPUT from the source table SOURCE.
// On any error in the table it names the file and line, writes nothing and exits with 1.
#include <iostream>
#include <string>

#include "lang/tools/LngTable.h"
#include "platform/WholeFile.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: ostrel-lngwrite SOURCE.txt OUTPUT.lng\n";
        return 2;
    }
    const std::string sourcePath = argv[1];
    const std::string outputPath = argv[2];
    const ostrel::platform::FileContents source =
        ostrel::platform::ReadWholeFile(sourcePath, ostrel::platform::Links::Follow);
    if (!source.Ok()) {
        std::cerr << sourcePath << ": cannot be read\n";
        return 1;
    }
    ostrel::LngTable table = ostrel::ParseLngSource(source.bytes, sourcePath);
    if (!table.errors.empty()) {
        for (const std::string& error : table.errors) {
            std::cerr << error << '\n';
        }
        std::cerr << "ostrel-lngwrite: " << outputPath << " not written\n";
        return 1;
    }
    // Replaced whole, so that a failed run never leaves a partial language file behind.
    if (!ostrel::platform::ReplaceFileAtomically(outputPath, ostrel::BuildLngFile(table.entries),
                                                 0644)) {
        std::cerr << outputPath << ": cannot be written\n";
        return 1;
    }
    return 0;
}
