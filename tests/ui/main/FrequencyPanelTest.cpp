#include "core/MainWindowValues.h"
#include "core/PublicFuncs.h"
#include "core/PublicVars.h"
#include "fakes/FakeSettingsStore.h"
#include "radio/HardwareObjects.h"
#include "radio/RadioControls.h"
#include "radio/RadioTestRig.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "ui/main/FrequencyPanel.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

// The frequency control alone in a bare window, on a VFO of its own, with a hub that records
// what the panel asks of the rest of the window.
class FrequencyPanelAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PublicVars::TuningSteps = PublicVars::DefaultTuningSteps;
        TuneRate = 0;
        TuneUpPending = TuneDownPending = false;
        FocusedLabelID = 0;
        vfo->OscType(chip);
        chip->Parent(vfo.get());
        vfo->RxMaxFreq(30'000'000);
        vfo->RXMinFreq(10'000);
        vfo->TunedFrequency(70501234);
        VFO = vfo;
        hub.UnFocusFrames = [this] { ++unfocused; };
        hub.DarkenControls = [this] { ++darkened; };
        hub.ShowOscillator = [this] { ++oscillatorShown; };
        hub.StoreSubBandTuneStep = [this](int32_t index) { storedSteps.push_back(index); };
        panel.CreateOffsetLabels(&window, 1380);
        panel.ConnectTuning();
        panel.InitialiseDialTuner();
        window.resize(900, 200);
        window.show();
    }

    void TearDown() override
    {
        panel.ReleaseTuning();
        VFO.reset();
    }

    std::string Shown() const
    {
        std::string digits;
        for (const SevenSegmentLabel* digit : panel.lbl7Seg)
            digits += digit->Caption().toStdString();
        return digits;
    }

    FakeSettingsStore settings;
    std::shared_ptr<TestOscillatorChip> chip = std::make_shared<TestOscillatorChip>();
    std::shared_ptr<clsVFO> vfo = std::make_shared<clsVFO>();
    QWidget window;
    PanelHub hub;
    int unfocused = 0;
    int darkened = 0;
    int oscillatorShown = 0;
    std::vector<int32_t> storedSteps;
    Frame* presets = nullptr;
    FrequencyPanel panel{&window, hub, [this](Frame* frame) {
                             presets = new Frame(frame);
                             presets->setObjectName("frPresets");
                         }};
};

// The presets frame is built inside the frequency frame between the rate controls and the
// dial, as the window has always stacked them; the offset labels are bound to their records.
TEST_F(FrequencyPanelAlone, BuildsItsControlsInTheirOrderWithThePresetsFrameBetween)
{
    ASSERT_EQ(window.findChild<Frame*>("frFreqCtl"), panel.frFreqCtl);
    const QObjectList& order = panel.frFreqCtl->children();
    EXPECT_EQ(presets->parent(), panel.frFreqCtl);
    EXPECT_LT(order.indexOf(panel.cboTuningSteps), order.indexOf(presets));
    EXPECT_LT(order.indexOf(presets), order.indexOf(panel.picTuneDial));
    EXPECT_EQ(panel.dialtuner->parent(), panel.picTuneDial);
    EXPECT_EQ(window.findChild<SevenSegmentLabel*>("lbl7Seg_8")->Caption(), "8");
    EXPECT_EQ(panel.lblScale[1]->text(), "KHz");
    EXPECT_FALSE(panel.cboTuningSteps->isVisibleTo(&window));
    EXPECT_FALSE(panel.imgTuneStepLock->isVisibleTo(&window));
    EXPECT_EQ(panel.mnuVFOControl->objectName(), "mnuVFOControl_0");
    EXPECT_EQ(panel.mnuVFOControl->actions().size(), 5);
    EXPECT_EQ(ScrollLabels[lblBFOIndex].Label, panel.lblBFO);
    EXPECT_EQ(ScrollLabels[lblIFShiftIndex].Label, panel.lblIFShift);
}

// Hovering the frame, the display or the area round it clears the frames' focus and gives
// the display the wheel; the pointer on the dial darkens the value labels.
TEST_F(FrequencyPanelAlone, HoverAsksTheWindowToClearTheFocus)
{
    emit panel.frFreqCtl->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(unfocused, 1);
    EXPECT_EQ(FocusedLabelID, 0);
    emit panel.img7SegArea->MouseMove(0, 0, 10, 10);
    emit panel.picFreqDisp->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(unfocused, 3);
    EXPECT_EQ(FocusedLabelID, 1);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(panel.dialtuner, &enter);
    EXPECT_EQ(darkened, 1);
}

// The oscillator readout elsewhere is asked for only when the digits change.
TEST_F(FrequencyPanelAlone, TheReadoutIsAskedForOnlyWhenTheDigitsChange)
{
    panel.tmrTune_Timer();
    EXPECT_EQ(Shown(), "070501234");
    EXPECT_EQ(oscillatorShown, 1);
    panel.tmrTune_Timer();
    panel.Display7Seg("070501234");
    EXPECT_EQ(oscillatorShown, 1);
    panel.Display7Seg("070500000");
    EXPECT_EQ(oscillatorShown, 2);
}

// The start-up's fill chooses the VFO's step as the user would, and the user's choice
// follows: each is stored in the sub-band and locked. A step the table lacks chooses nothing.
TEST_F(FrequencyPanelAlone, StepsChosenFromTheListAreStoredInTheSubBand)
{
    vfo->TuneStep(1000);
    panel.FillTuningStepList();
    ASSERT_EQ(panel.cboTuningSteps->count(), 18);
    EXPECT_EQ(storedSteps, std::vector<int32_t>{8});
    EXPECT_TRUE(vfo->TuneStepLock());
    panel.cboTuningSteps->setCurrentIndex(10);
    emit panel.cboTuningSteps->activated(10);
    EXPECT_EQ(storedSteps.back(), 10);
    EXPECT_EQ(vfo->TuneStep(), 250);
    EXPECT_EQ(panel.lblTuningRate->text(), "x 25 Hz");

    storedSteps.clear();
    vfo->TuneStepLock(false);
    vfo->TuneStep(123);
    panel.FillTuningStepList();
    EXPECT_TRUE(storedSteps.empty());
}

// A key held on the display asks the timer for steps; the timer tunes, turns the dial a notch
// without tuning again, and copies the rate under the dial.
TEST_F(FrequencyPanelAlone, AKeyOnTheDisplayTunesThroughTheTimer)
{
    panel.lbl7Seg_MouseMove(4);   // 1 kHz
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(panel.picFreqDisp, &press);
    EXPECT_EQ(panel.tmrTune.interval(), 20);
    panel.tmrTune_Timer();
    EXPECT_EQ(vfo->TunedFrequency(), 70510000);
    EXPECT_EQ(panel.dialtuner->Value(), 1);
    EXPECT_EQ(RadioControls::dialtuner.Value(), 1);
    EXPECT_EQ(panel.lblTuneDialRate->text(), "x 1 KHz");
    panel.tmrTune_Timer();
    EXPECT_EQ(vfo->TunedFrequency(), 70510000);
}

// The scheme's tuning colour in its shades; the RIT labels usable only on a tuned oscillator.
TEST_F(FrequencyPanelAlone, ColoursAndClockFollowTheSchemeAndTheReceiver)
{
    const SDRColourScheme kept = PublicVars::SDRColourSchemes;
    PublicVars::SDRColourSchemes.SDRTuningColour = 0x0000C8;
    panel.ApplyColours();
    PublicVars::SDRColourSchemes = kept;
    EXPECT_EQ(panel.shpDP[2]->FillColor(), static_cast<uint32_t>(PublicFuncs::ScaleColour(0x0000C8, 50)));
    EXPECT_EQ(FormControls::ForeColour(panel.lblBFO), 0x0000C8u);
    for (const bool tuned : {false, true}) {
        VFOControl = tuned;
        panel.tmrClock_Timer();
        EXPECT_EQ(panel.lblBFO->isEnabled(), tuned);
        EXPECT_EQ(panel.lblClock->text().size(), 8);
    }
    VFOControl = false;
}

// The scheme applied again keeps the step's digit lit in the new colours, and lights no digit
// before a step has one.
TEST_F(FrequencyPanelAlone, TheStepsDigitStaysLitInANewScheme)
{
    const ScrollLabelRecord kept = ScrollLabels[1];
    ScrollLabels[1].NormalColour = 0x0000AA;
    ScrollLabels[1].FocusColour = 0x0000C8;
    panel.ApplyColours();
    for (const SevenSegmentLabel* digit : panel.lbl7Seg)
        EXPECT_EQ(digit->ForeColor(), 0x0000AAu);
    panel.lbl7Seg_MouseMove(4);
    ScrollLabels[1].NormalColour = 0x00AA00;
    ScrollLabels[1].FocusColour = 0x00C800;
    panel.ApplyColours();
    ScrollLabels[1] = kept;
    for (int index = panel.lbl7Seg.LBound(); index <= panel.lbl7Seg.UBound(); ++index)
        EXPECT_EQ(panel.lbl7Seg[index]->ForeColor(), index == 4 ? 0x00C800u : 0x00AA00u) << index;
    EXPECT_EQ(panel.shpTuneStep->BorderColor(), 0x00C800u);
}

}   // namespace
