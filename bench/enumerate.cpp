// Enumerates one folder tree with cFileSearch and prints the counts; with --print, also every
// path, one per line, as find does.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/FileSearch.h"
#include "core/PathHelpers.h"

int main(int argc, char** argv) {
    bool print = argc == 3 && std::strcmp(argv[1], "--print") == 0;
    if (argc != 2 && !print) {
        std::fprintf(stderr, "usage: %s [--print] FOLDER\n", argv[0]);
        return 2;
    }
    ostrel::cFileSearch search;
    search.FileSearch(ostrel::AddBackslash(argv[argc - 1]) + "*.*");
    if (print) {
        for (std::int32_t i = 1; i <= search.DirCount(); ++i) {
            std::puts(search.DirItem(i).DirPath().c_str());
        }
        for (std::int32_t i = 1; i <= search.FileCount(); ++i) {
            std::puts(search.FileItem(i).AFilePath().c_str());
        }
    }
    std::fprintf(stderr, "%d files %d folders\n", search.FileCount(), search.DirCount());
    return 0;
}
