#include "MainWindowRig.h"
#include "core/PublicFuncs.h"
#include "core/PublicVars.h"
#include "dsp/ReceiveDefaults.h"
#include "ui/common/ButtonArray.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabels.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWindow>

namespace {

constexpr int32_t Background = 0x102030;
constexpr int32_t LabelText = 0x00C0C0;
constexpr int32_t Tuning = 0x0000C8;
constexpr int32_t FrameNormal = 0x808080;
constexpr int32_t FrameFocus = 0xFFFFFF;
constexpr int32_t ValueNormal = 0x00A000;
constexpr int32_t ValueFocus = 0x00FF00;

class FrontPanelFocus : public MainWindowRig
{
protected:
    void SetUp() override
    {
        MainWindowRig::SetUp();
        window->winId();   // the window the wheel and keys are delivered to
        PublicVars::SDRColourSchemes = {Background, LabelText, FrameFocus, FrameNormal, Tuning, ValueNormal, ValueFocus};
        window->ApplyColourScheme();
        HiLiteBorder = false;
    }
    void TearDown() override
    {
        MainWindowRig::TearDown();
        PublicVars::SDRColourSchemes = {};
        FocusedLabelID = 0;
    }

    static ScrollLabelRecord& Record(int16_t id) { return ScrollLabels[static_cast<size_t>(id)]; }
    static uint32_t Fore(QWidget* control) { return FormControls::ForeColour(control); }

    void Wheel(int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWheelEvent event(QPointF(2, 2), QPointF(2, 2), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window->windowHandle(), &event);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(window->windowHandle(), &event);
    }
};

TEST_F(FrontPanelFocus, TheColourSchemeReachesEveryControl)
{
    EXPECT_EQ(FormControls::BackColour(window->Receive->lblFilterHi), static_cast<uint32_t>(Background));
    EXPECT_EQ(Fore(window->Frequency->lblClock), static_cast<uint32_t>(PublicFuncs::ScaleColour(Tuning, 75)));
    EXPECT_EQ(Fore(window->Analyser->lblScopeCtl[0]), static_cast<uint32_t>(LabelText));
    EXPECT_EQ(Fore(window->Receive->chkFlipIQ), static_cast<uint32_t>(LabelText));
    const int mode = window->Receive->optMode.Selected();
    EXPECT_EQ(Fore(window->Receive->optMode[mode]), ButtonArray::ChosenColour) << "the mode in use stays lit";
    EXPECT_EQ(Fore(window->Receive->frDemod), static_cast<uint32_t>(FrameNormal));
    EXPECT_EQ(Fore(window->Receive->lblFilterHi), static_cast<uint32_t>(ValueNormal));
    EXPECT_EQ(Fore(window->Frequency->lblBFO), static_cast<uint32_t>(Tuning));
    EXPECT_EQ(window->Frequency->lbl7Seg[4]->ForeColor(), static_cast<uint32_t>(PublicFuncs::ScaleColour(Tuning, 85)));
    EXPECT_EQ(window->Frequency->shpDP[0]->FillColor(), static_cast<uint32_t>(PublicFuncs::ScaleColour(Tuning, 50)));
    EXPECT_EQ(Fore(window->Power->optPwr[0]), 0x00FF00u);
    EXPECT_EQ(window->SMeter->picSmeter[2]->BackColor(), 0u);
    EXPECT_EQ(window->Frequency->picFreqDisp->BackColor(), static_cast<uint32_t>(Background));
    EXPECT_EQ(window->SMeter->shpSMeterTick[14]->FillColor(), 0x0000FFu) << "the segments keep their design colours";
    for (QWidget* box : {static_cast<QWidget*>(window->Receive->optMode[0]), static_cast<QWidget*>(window->Receive->chkAGC)})
        EXPECT_NE(box->palette().color(QPalette::Base), box->palette().color(QPalette::Window))
            << "an unticked box stands out from the background";
}

// Hovering a label focuses and lights it; a disabled one is left alone; the RIT label goes
// back to the tuning colour; the bare window clears everything.
TEST_F(FrontPanelFocus, TheLabelUnderThePointerTakesTheFocus)
{
    HiLiteBorder = true;
    window->Receive->lblFilterHi->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(FocusedLabelID, 7);
    EXPECT_EQ(Fore(window->Receive->lblFilterHi), static_cast<uint32_t>(ValueFocus));
    EXPECT_EQ(window->Receive->lblFilterHi->frameShape(), QFrame::Box);
    window->Receive->lblNotchC->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(FocusedLabelID, 0) << "disabled at start";
    EXPECT_EQ(Fore(window->Receive->lblFilterHi), static_cast<uint32_t>(ValueNormal));
    EXPECT_EQ(window->Receive->lblFilterHi->frameShape(), QFrame::NoFrame);
    window->Frequency->lblBFO->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(Fore(window->Frequency->lblBFO), static_cast<uint32_t>(ValueFocus));
    window->Form_MouseMove(0, 0, 10, 10);
    EXPECT_EQ(FocusedLabelID, 0);
    EXPECT_EQ(Fore(window->Frequency->lblBFO), static_cast<uint32_t>(Tuning));

    window->Receive->frFilters_MouseMove(0, 0, 10, 10);
    EXPECT_EQ(Fore(window->Receive->frFilters), static_cast<uint32_t>(FrameFocus));
    // The band selector is laid out from 90 twips, 270 high: found on the frame's top edge.
    const double onTopEdge = 120;
    window->BandPlan->frPresets_MouseMove(0, 0, 90, onTopEdge);
    EXPECT_FALSE(window->BandPlan->cboBandSelect->isVisible()) << "the edge itself reveals nothing";
    EXPECT_EQ(Fore(window->Receive->frFilters), static_cast<uint32_t>(FrameNormal));
    window->show();
    window->BandPlan->frPresets_MouseMove(0, 0, 90 + 15, onTopEdge);
    EXPECT_TRUE(window->BandPlan->cboBandSelect->isVisible());
}

// Each wheel notch steps the focused label once, up and down, by the step its keys choose;
// one event counts once however many widgets it is delivered to.
TEST_F(FrontPanelFocus, EachWheelNotchStepsTheFocusedLabelOnce)
{
    FocusedLabelID = 7;   // AF upper edge: 1 / 10 / 50
    Record(7).Value = 3000;
    Wheel(120);
    EXPECT_EQ(Record(7).Value, 3010.0f);
    EXPECT_EQ(FilterHi, 3010);
    EXPECT_EQ(window->Receive->lblFilterHi->text(), "3010");
    Wheel(-120);
    EXPECT_EQ(Record(7).Value, 3000.0f);
    Wheel(240);
    EXPECT_EQ(Record(7).Value, 3020.0f) << "two notches in one event";
    for (int quarter = 0; quarter < 4; ++quarter)   // a fine wheel: four quarters are one notch
        Wheel(-30, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Record(7).Value, 3019.0f) << "Ctrl wins over Shift";
    Wheel(60);
    Wheel(-60);
    EXPECT_EQ(Record(7).Value, 3019.0f) << "a turn the other way starts afresh";
    Wheel(120, Qt::ShiftModifier);
    EXPECT_EQ(Record(7).Value, 3069.0f);

    Record(7).Value = 11990;
    Wheel(120, Qt::ShiftModifier);
    EXPECT_EQ(Record(7).Value, 12000.0f) << "held at Max";

    Record(7).Disabled = true;   // ignores the wheel
    Wheel(120);
    EXPECT_EQ(Record(7).Value, 12000.0f);
    Record(7).Disabled = false;
    FocusedLabelID = 0;
    Wheel(120);                  // nothing focused: passes
    FocusedLabelID = lblOutVolIndex;   // output volume: 10 / 50 / 200
    Record(lblOutVolIndex).Value = 0;
    Wheel(-120);
    EXPECT_EQ(Record(lblOutVolIndex).Value, -50.0f);
    Wheel(120);
    EXPECT_EQ(Record(lblOutVolIndex).Value, 0.0f);
}

TEST_F(FrontPanelFocus, KeysStepMoveAndResetTheFocusedLabel)
{
    FocusedLabelID = 8;   // AF lower edge: 1 / 10 / 50
    Record(8).Value = 300;
    Key(Qt::Key_A);
    Key(Qt::Key_Up, Qt::ShiftModifier | Qt::ControlModifier);   // Shift wins over Ctrl
    EXPECT_EQ(Record(8).Value, 360.0f);
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Down);
    EXPECT_EQ(Record(8).Value, 349.0f);
    EXPECT_EQ(FilterLo, 349);
    FilterMode = 2;
    Key(Qt::Key_Space);
    EXPECT_EQ(Record(8).Default, static_cast<float>(FilterTable[2].DefaultLo));
    EXPECT_EQ(FilterLo, FilterTable[2].DefaultLo);
    FilterMode = 0;

    Key(Qt::Key_Right);
    EXPECT_EQ(FocusedLabelID, 9);
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_EQ(FocusedLabelID, 7);
    FocusedLabelID = 20;
    Key(Qt::Key_Right);
    EXPECT_EQ(FocusedLabelID, 1);
    const float tuning = Record(1).Value;
    Key(Qt::Key_A);
    Key(Qt::Key_Left);
    EXPECT_EQ(FocusedLabelID, 1) << "the frequency display's own keys";
    EXPECT_EQ(Record(1).Value, tuning);
    FocusedLabelID = 0;
    Key(Qt::Key_Left);
    EXPECT_EQ(FocusedLabelID, 20);
}

TEST_F(FrontPanelFocus, TheRightButtonRestoresADefault)
{
    Record(13).Default = 0;
    window->Receive->lblAGCAttack->MouseDown(2, 0, 5, 5);
    EXPECT_EQ(Record(13).Default, 47.5f) << "half the range for a default of 0";
    EXPECT_EQ(Record(13).Value, 47.5f);
    EXPECT_EQ(window->Receive->lblAGCAttack->text(), "4.8");
    DemodMode = DemodModeEnum::SAM;
    const float labelDefault = Record(17).Default;   // the IF filter's mode handlers keep it
    Record(17).Value = 100;
    window->Receive->lblIFHi->MouseDown(2, 0, 5, 5);
    EXPECT_EQ(Record(17).Value, labelDefault);
    DemodMode = DemodModeEnum::DRM;
    window->Analyser->lblScopeXCentre->MouseDown(1, 0, 5, 5);
    EXPECT_EQ(Record(15).Value, 511.0f);
}

// The scale's numbers stand clear of the segments, inside the picture; the meter reads
// nothing while the window is minimised.
TEST_F(FrontPanelFocus, TheMeterScaleAndAMinimisedWindow)
{
    window->SMeter->NoiseFloor = 1.0f;
    PictureBox& meter = *window->SMeter->picSmeter[2];
    std::vector<DrawOperation> drawn;
    meter.SetRecorder(&drawn);
    window->SMeter->DrawSMeter();
    meter.SetRecorder(nullptr);
    EXPECT_EQ(meter.toolTip(), "Meter Backoff=0.00 dB");
    const QFontMetricsF metrics(meter.font());
    int numbers = 0;
    for (const DrawOperation& op : drawn) {
        if (op.kind != DrawOperation::Kind::Print)
            continue;
        ++numbers;
        const QRectF box(meter.UserToPixel(op.x1, op.y1), QSizeF(metrics.horizontalAdvance(op.text), metrics.height()));
        for (const Shape* segment : window->SMeter->shpSMeterTick)
            EXPECT_FALSE(box.intersects(QRectF(segment->geometry()))) << op.text.toStdString();
        EXPECT_LE(box.bottom(), meter.height() + 0.5) << op.text.toStdString();
    }
    EXPECT_EQ(numbers, 17);
    window->showMinimized();
    window->SMeter->UpdateSMeterBar(20000.0f);
    EXPECT_FALSE(window->SMeter->shpSMeterTick[0]->isVisibleTo(window->SMeter->picSmeter[2]));
    window->showNormal();
    window->SMeter->UpdateSMeterBar(20000.0f);
    EXPECT_TRUE(window->SMeter->shpSMeterTick[14]->isVisibleTo(window->SMeter->picSmeter[2]));
}

} // namespace
