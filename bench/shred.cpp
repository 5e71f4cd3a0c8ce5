// Shreds one file by a named method with a host that does nothing at DoEvents, for timing.
// Usage: ostrel_bench_shred METHOD PATH. The data folder is set up as start-up does (below
// $XDG_DATA_HOME), and the holding folder made there.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "core/ProductNames.h"
#include "shredder/Shredder.h"

namespace {

class BenchHost final : public ostrel::Host {
  public:
    void DoEvents() override {}
    int MsgBox(const std::string& text, int, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return ostrel::kAnswerOk;
    }
    std::string ProgramFolder() override { return "."; }
    [[noreturn]] void EndProcess(int exitCode) override { std::exit(exitCode); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s METHOD PATH\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    ostrel::GiveProductNamesToPlatform();
    ostrel::InitSpecialFolders("", "");
    ostrel::gDataFolder = ostrel::gCommonAppData + ostrel::kVendorFolder;
    fs::path holding = ostrel::HoldingFolderPath();
    std::error_code ec;
    fs::create_directories(holding, ec);
    fs::permissions(holding, fs::perms::owner_all, ec);

    BenchHost host;
    ostrel::SetCurrentHost(&host);
    ostrel::clsShredder shredder;
    ostrel::ShredRequest request;
    request.p_ShredMethod = argv[1];
    request.p_SourceFile = argv[2];
    request.RenameFlag = true;
    shredder.DetermineShredMethod(request);
    bool destroyed = ostrel::ShredOutcomeOf(shredder) == ostrel::ShredOutcome::Destroyed;
    if (!destroyed) {
        std::fprintf(stderr, "%s: not destroyed\n", argv[2]);
    }
    return destroyed ? 0 : 1;
}
