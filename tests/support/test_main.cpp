#include <QApplication>
#include <gtest/gtest.h>

// Every test binary runs under one offscreen QApplication, so that widgets,
// timers and DoEvents() work as they do in the program.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
