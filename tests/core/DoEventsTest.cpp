#include "core/DoEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

// A timer that is due does not run in DoEvents while the timers are held (as the main
// window's start-up holds them), and runs in the first DoEvents after.
TEST(DoEvents, HoldsTimersWhileAHoldLivesAndLetsThemRunAfter)
{
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    int fired = 0;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&fired] { ++fired; });
    {
        DoEventsHoldsTimers hold;
        timer.start(1);
        QThread::msleep(20);
        for (int i = 0; i < 5; ++i)
            DoEvents();
        EXPECT_EQ(fired, 0);
    }
    QElapsedTimer clock;
    clock.start();
    while (fired == 0 && clock.elapsed() < 5000)
        DoEvents();
    EXPECT_EQ(fired, 1);
}
