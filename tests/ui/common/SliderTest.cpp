#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <initializer_list>
#include <tuple>
#include <vector>

namespace {

struct SliderEvents
{
    explicit SliderEvents(Slider& slider)
    {
        QObject::connect(&slider, &Slider::Change, [this] { ++changes; });
        QObject::connect(&slider, &Slider::Scroll, [this] { ++scrolls; });
        QObject::connect(&slider, &Slider::MouseDown, [this](int button, int, double, double) { lastButton = button; });
    }
    int changes = 0;
    int scrolls = 0;
    int lastButton = 0;
};

}   // namespace

TEST(SliderTest, CodeRaisesChangeOnlyWhileTheUserRaisesScrollAndChange)
{
    Slider sldAGCAttack;
    sldAGCAttack.SetMin(5);
    sldAGCAttack.SetMax(1000);
    sldAGCAttack.SetSmallChange(10);
    SliderEvents events(sldAGCAttack);

    sldAGCAttack.SetValue(100);
    sldAGCAttack.SetValue(100);
    EXPECT_EQ(events.changes, 1) << "only a change of the value";
    EXPECT_EQ(events.scrolls, 0);
    sldAGCAttack.SetValue(5000);
    EXPECT_EQ(sldAGCAttack.Value(), 1000) << "clamped";

    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&sldAGCAttack, &right);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&sldAGCAttack, &left);
    EXPECT_EQ(sldAGCAttack.Value(), 990);
    EXPECT_EQ(events.scrolls, 1);
    EXPECT_EQ(events.changes, 3);
}

TEST(SliderTest, ADragScrollsOnEveryMoveAndChangesOnceAtTheRelease)
{
    Slider sldOutVolume;
    sldOutVolume.SetMin(-10000);
    sldOutVolume.SetMax(8000);
    SliderEvents events(sldOutVolume);

    sldOutVolume.setSliderDown(true);
    sldOutVolume.setSliderPosition(100);
    sldOutVolume.setSliderPosition(200);
    EXPECT_EQ(events.scrolls, 2);
    EXPECT_EQ(events.changes, 0);
    sldOutVolume.setSliderDown(false);
    EXPECT_EQ(events.changes, 1);
    EXPECT_EQ(sldOutVolume.Value(), 200);
}

TEST(SliderTest, TheRightButtonResetsThroughChangeAndKeepsTheTag)
{
    Slider sldNB(Qt::Vertical);
    sldNB.resize(30, 200);
    sldNB.SetMax(10000);
    sldNB.SetValue(4000);
    sldNB.Tag = "#0.00";
    SliderEvents events(sldNB);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(15, 100), QPointF(15, 100), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&sldNB, &press);
    EXPECT_EQ(events.lastButton, 2);
    EXPECT_EQ(sldNB.Value(), 4000) << "no reset set: the press is only reported";

    sldNB.SetRightButtonReset([] { return 0; });
    QApplication::sendEvent(&sldNB, &press);
    EXPECT_EQ(sldNB.Value(), 0);
    EXPECT_EQ(events.changes, 1);
    EXPECT_EQ(events.scrolls, 0);
    EXPECT_EQ(sldNB.Tag, "#0.00");
}

// Every control with mouse events reports them in twips from its own top-left corner.
TEST(ControlMouseTest, LabelsFramesAndSlidersReportButtonShiftAndTwips)
{
    Label lblBFO;
    Frame frPower;
    Slider sldBalance;
    for (QWidget* control : std::initializer_list<QWidget*>{&lblBFO, &frPower, &sldBalance})
        control->resize(100, 40);
    std::vector<std::tuple<int, int, double, double>> seen;
    auto record = [&](int button, int shift, double x, double y) { seen.emplace_back(button, shift, x, y); };
    QObject::connect(&lblBFO, &Label::MouseDown, record);
    QObject::connect(&frPower, &Frame::MouseDown, record);
    QObject::connect(&sldBalance, &Slider::MouseDown, record);

    for (QWidget* control : std::initializer_list<QWidget*>{&lblBFO, &frPower, &sldBalance}) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 2), QPointF(10, 2), Qt::RightButton, Qt::RightButton,
                          Qt::ShiftModifier | Qt::ControlModifier);
        QApplication::sendEvent(control, &press);
    }
    const auto expected = std::make_tuple(2, 3, 150.0, 30.0);
    EXPECT_EQ(seen, (std::vector<std::tuple<int, int, double, double>>(3, expected)));
}
