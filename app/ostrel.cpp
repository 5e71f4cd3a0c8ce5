// ostrel: shreds the files and folders given as arguments, each argument one path; without
// arguments shows the main window. Without a reachable display the console host runs the same
// start-up, and without arguments prints what the main window shows.
#include <string>
#include <vector>

#include "console/ConsoleForms.h"
#include "console/ConsoleHost.h"
#include "core/Host.h"
#include "job/modMain.h"
#include "ui/RunWithWindows.h"

int main(int argc, char** argv) {
    std::vector<std::string> paths(argv + 1, argv + argc);
    if (const auto status = ostrel::ui::RunWithWindows(argv[0], paths)) {
        return *status;
    }
    ostrel::ConsoleHost host;
    ostrel::SetCurrentHost(&host);
    ostrel::ConsoleForms console;
    ostrel::Main(paths, console.forms());
    return 0;
}
