// ostrel: shreds the files and folders given as arguments, each argument one path; without
// arguments shows what the main window shows. Without a display the console host runs the
// windows; the Qt windows are not built yet, so the console host is used always.
#include <string>
#include <vector>

#include "console/ConsoleForms.h"
#include "console/ConsoleHost.h"
#include "core/Host.h"
#include "job/modMain.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    if (!ostrel::platform::EnsureStandardDescriptorsOpen()) {
        return 1;
    }
    std::vector<std::string> paths(argv + 1, argv + argc);
    ostrel::ConsoleHost host;
    ostrel::SetCurrentHost(&host);
    ostrel::ConsoleForms console;
    ostrel::Main(paths, console.forms());
    return 0;
}
