// ostrel: shreds the files and folders given as arguments, each argument one path; without
// arguments shows what the main window shows. Without a display the console host runs the
// windows; the Qt windows are not built yet, so the console host is used always (--no-gui asks
// for it even where a display is reachable).
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "console/ConsoleForms.h"
#include "console/ConsoleHost.h"
#include "core/Host.h"
#include "job/modMain.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    if (!ostrel::platform::EnsureStandardDescriptorsOpen()) {
        return 1;
    }
    const ostrel::CommandLine line =
        ostrel::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.action != ostrel::CommandLine::Action::Run) {
        return ostrel::AnswerCommandLine(line, std::cout, std::cerr);
    }
    ostrel::ConsoleHost host;
    ostrel::SetCurrentHost(&host);
    ostrel::ConsoleForms console;
    ostrel::Main(line.paths, console.forms(), line.overrides);
    return 0;
}
