#include "core/DoEvents.h"

#include <QTimer>
#include <gtest/gtest.h>

TEST(DoEvents, RunsPendingTimers)
{
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    DoEvents();
    EXPECT_TRUE(fired);
}
