#include "ui/common/Dial.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {


void Wheel(Dial& dial, int delta)
{
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&dial, &wheel);
}

void Drag(Dial& dial, QPointF from, QPointF to)
{
    QMouseEvent press(QEvent::MouseButtonPress, from, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dial, &press);
    QMouseEvent move(QEvent::MouseMove, to, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dial, &move);
}

}   // namespace

TEST(DialTest, AWrappingDialLandsOnTheOtherLimitAndAStoppingOneClamps)
{
    Dial dialtuner;
    std::vector<int> seen;
    QObject::connect(&dialtuner, &Dial::Changing, [&] { seen.push_back(dialtuner.Value()); });
    dialtuner.SetMin(0);
    dialtuner.SetMax(100);

    dialtuner.SetValue(100);
    dialtuner.SetValue(101);
    dialtuner.SetValue(-1);
    dialtuner.SetValue(-1);
    EXPECT_EQ(seen, (std::vector<int>{100, 0, 100})) << "one Changing per change, none without one";

    Dial dialOutVol;
    dialOutVol.SetWrap(false);
    dialOutVol.SetMin(-10000);
    dialOutVol.SetMax(8000);
    dialOutVol.SetValue(9000);
    EXPECT_EQ(dialOutVol.Value(), 8000);
    dialOutVol.SetMax(500);
    EXPECT_EQ(dialOutVol.Value(), 500) << "new limits keep the position inside";
    EXPECT_DOUBLE_EQ(dialOutVol.AngleOf(-10000), -150.0);
    EXPECT_DOUBLE_EQ(dialOutVol.AngleOf(500), 150.0);
}

TEST(DialTest, WheelNotchesKeysAndTurningStepOnePositionAtATime)
{
    Dial dialNB;
    dialNB.resize(100, 100);
    dialNB.SetMin(0);
    dialNB.SetMax(3);   // four positions: a quarter turn each
    int changing = 0;
    QObject::connect(&dialNB, &Dial::Changing, [&] { ++changing; });

    Wheel(dialNB, 60);
    EXPECT_EQ(dialNB.Value(), 0) << "half a notch is kept";
    Wheel(dialNB, 60);
    EXPECT_EQ(dialNB.Value(), 1);
    Wheel(dialNB, -240);
    EXPECT_EQ(dialNB.Value(), 3) << "two notches down from 1 wrap to the top";

    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&dialNB, &up);
    EXPECT_EQ(dialNB.Value(), 0);

    Drag(dialNB, QPointF(50, 10), QPointF(90, 50));   // from the top to the right: a quarter turn clockwise
    EXPECT_EQ(dialNB.Value(), 1);
    Drag(dialNB, QPointF(50, 10), QPointF(60, 12));   // a few degrees: no step
    EXPECT_EQ(dialNB.Value(), 1);
    EXPECT_EQ(changing, 4);
}
