// ostrel-lngwrite SOURCE OUTPUT: writes the language file OUTPUT from the source table SOURCE.
// On any error in the table it names the file and line, writes nothing and exits with 1.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>

#include "lang/tools/LngTable.h"

namespace {

// Writes `bytes` to a temporary file beside `path` and renames it into place, so that a failed
// run never leaves a partial language file behind.
bool WriteWhole(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out) {
            std::error_code ec;
            std::filesystem::rename(temporary, path, ec);
            if (!ec) {
                return true;
            }
        }
    }
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: ostrel-lngwrite SOURCE.txt OUTPUT.lng\n";
        return 2;
    }
    const std::string sourcePath = argv[1];
    const std::string outputPath = argv[2];
    std::ifstream in(sourcePath, std::ios::binary);
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        std::cerr << sourcePath << ": cannot be read\n";
        return 1;
    }
    ostrel::LngTable table = ostrel::ParseLngSource(source, sourcePath);
    if (!table.errors.empty()) {
        for (const std::string& error : table.errors) {
            std::cerr << error << '\n';
        }
        std::cerr << "ostrel-lngwrite: " << outputPath << " not written\n";
        return 1;
    }
    if (!WriteWhole(outputPath, ostrel::BuildLngFile(table.entries))) {
        std::cerr << outputPath << ": cannot be written\n";
        return 1;
    }
    return 0;
}
