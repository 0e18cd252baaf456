#include "support/ChildRoutines.h"
#include "support/DeviceGuardForTests.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test binary runs under one offscreen QApplication, so that widgets,
// timers and DoEvents() work as they do in the program.
// The font library's cache lives to the end of the process; in a sanitizer build the leak
// checker would count it in every forked child that ends through exit().
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

int main(int argc, char** argv)
{
    DeviceGuardForTests::Install();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (int result = 0; ChildRoutines::RunRequested(result))
        return result;
    // A test that names no program folder gets one here, never in the user's data folder.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
