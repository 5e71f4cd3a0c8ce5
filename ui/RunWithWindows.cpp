#include "ui/RunWithWindows.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <iostream>
#include <optional>

#include "controls/Accessible.h"
#include "controls/FixedLook.h"
#include "core/Host.h"
#include "job/WalkAhead.h"
#include "job/modMain.h"
#include "platform/Display.h"
#include "ui/DefaultForms.h"
#include "ui/QtHost.h"

// The icon is compiled into this static library; its resources are registered by hand.
static void InitIconResources() {
    Q_INIT_RESOURCE(icon);
}

namespace ostrel::ui {

void SetApplicationIdentity() {
    InitIconResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        icon.addFile(QString(":/icons/ostrel-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName("ostrel");
}

std::optional<int> RunWithWindows(const char* programName, const std::vector<std::string>& paths,
                                  const RunOverrides& overrides) {
    platform::DisplayProbe display = platform::ProbeDisplay();
    if (display.reachable == platform::DisplayProbe::Kind::None) {
        if (!display.name.empty()) {
            std::cerr << "ostrel: cannot open display " << display.name
                      << "; running without windows\n";
        }
        return std::nullopt;
    }
    // Qt is told which window system answered, so that it does not try another one first.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM",
                display.reachable == platform::DisplayProbe::Kind::X11 ? "xcb" : "wayland");
    }
    // Without a session bus, the toolkit's accessibility bridge would have the message bus
    // library start one for this display (a bus daemon left running after the program ends),
    // only to find no screen reader on it: one there is always has a session bus to meet on.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        !QFileInfo(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/bus").exists()) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");  // an address no connection is tried to
    }
    // The toolkit takes a while to start: the folders given are walked meanwhile.
    std::optional<WalkAhead> walkAhead;
    if (!paths.empty() && overrides.notLocal.empty() && overrides.wipeFreeSpace.empty()) {
        walkAhead.emplace(paths);
    }
    // The paths are never shown to Qt: it would take some of them ("-style", "-display", ...)
    // for options of its own and remove them.
    int argc = 1;
    char* argv[] = {const_cast<char*>(programName), nullptr};
    QApplication app(argc, argv);
    display.connection.reset();  // the toolkit's own connection keeps the server from resetting
    app.setQuitOnLastWindowClosed(false);  // the main window ends the program itself
    controls::ApplyFixedLook(app);
    controls::InstallAccessibleInterfaces();
    SetApplicationIdentity();
    QtHost host;
    Host* previous = SetCurrentHost(&host);
    int status = 0;
    {
        DefaultForms forms;
        // The main window's jobs run in this instance: its locks stay held until they are over.
        const InstanceLocks locks =
            Main(paths, forms.forms(), overrides, walkAhead ? &*walkAhead : nullptr);
        status = app.exec();
    }
    SetCurrentHost(previous);
    return status;
}

}  // namespace ostrel::ui
