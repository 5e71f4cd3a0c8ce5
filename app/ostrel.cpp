// ostrel: shreds the files and folders given as arguments, each argument one path; without
// arguments shows the main window. Without a reachable display (or with --no-gui) the console
// host runs the same start-up, and without arguments prints what the main window shows.
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "console/ConsoleForms.h"
#include "console/ConsoleHost.h"
#include "core/Host.h"
#include "job/modMain.h"
#include "platform/StandardDescriptors.h"
#include "ui/RunWithWindows.h"

int main(int argc, char** argv) {
    if (!ostrel::platform::EnsureStandardDescriptorsOpen()) {
        return 1;
    }
    const ostrel::CommandLine line =
        ostrel::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.action != ostrel::CommandLine::Action::Run) {
        return ostrel::AnswerCommandLine(line, std::cout, std::cerr);
    }
    if (!line.noGui) {
        if (const auto status = ostrel::ui::RunWithWindows(argv[0], line.paths, line.overrides)) {
            return *status;
        }
    }
    ostrel::ConsoleHost host;
    ostrel::SetCurrentHost(&host);
    ostrel::ConsoleForms console;
    // Held until the process ends, as with windows.
    const ostrel::InstanceLocks locks = ostrel::Main(line.paths, console.forms(), line.overrides);
    return 0;
}
