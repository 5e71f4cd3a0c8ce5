// Runs the control and window tests inside a QApplication with the program's fixed look.
// Offscreen unless a platform was chosen, so the same tests also run on a real display. Closing a
// test's last window must not end the application.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "controls/Accessible.h"
#include "controls/FixedLook.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ostrel::controls::ApplyFixedLook(app);
    ostrel::controls::InstallAccessibleInterfaces();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
