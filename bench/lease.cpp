// What holding a file exclusively costs a pass: the same small files opened, written, flushed
// and closed with their deletion, once with the exclusive hold (a write lease) and once without.
// Usage: ostrel_bench_lease FOLDER [FILES]  (FOLDER on the disk to measure; default 2000 files)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Folder.h"
#include "platform/RawFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [FILES]\n", argv[0]);
        return 2;
    }
    using ostrel::platform::RawFile;
    const ostrel::platform::Folder folder = ostrel::platform::Folder::Open(argv[1]);
    const int files = argc > 2 ? std::atoi(argv[2]) : 2000;
    if (!folder.IsOpen() || files < 1) {
        std::fprintf(stderr, "%s: cannot use %s\n", argv[0], argv[1]);
        return 1;
    }
    const std::string block(4096, 'x');
    RawFile::Options make;
    make.exclusive = false;
    for (const bool exclusive : {true, false, true, false}) {
        RawFile::Options pass;
        pass.deleteOnClose = true;
        pass.create = false;
        pass.exclusive = exclusive;
        Clock::duration open{}, flush{}, close{};
        for (int i = 0; i < files; ++i) {
            const std::string name = "lease-bench-" + std::to_string(i);
            RawFile made = RawFile::OpenAt(folder, name, make);
            if (!made.Write(block) || !made.Close()) {
                std::fprintf(stderr, "%s: cannot write in %s\n", argv[0], argv[1]);
                return 1;
            }
            auto start = Clock::now();
            RawFile file = RawFile::OpenAt(folder, name, pass);
            open += Clock::now() - start;
            file.Write(block);
            start = Clock::now();
            const bool flushed = file.Flush();
            flush += Clock::now() - start;
            start = Clock::now();
            if (!file.Close() || !flushed) {
                std::fprintf(stderr, "%s: a pass failed in %s\n", argv[0], argv[1]);
                return 1;
            }
            close += Clock::now() - start;
        }
        std::printf("%-14s open %6.1f us   flush %7.1f us   close with delete %6.1f us\n",
                    exclusive ? "exclusive:" : "not exclusive:", Micros(open) / files,
                    Micros(flush) / files, Micros(close) / files);
    }
    return 0;
}
