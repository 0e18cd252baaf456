#include "MainWindowRig.h"
#include "core/PublicVars.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSerialLines.h"
#include "radio/modSetupRX.h"
#include "radio/RadioControls.h"
#include "ui/common/Dial.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <numbers>
#include <tuple>

namespace {

constexpr int Left = 1;
constexpr int Right = 2;

// The rig's window with the tuning-step table filled, tuned to 7 050 123.4 Hz.
class FrequencyDisplay : public MainWindowRig
{
protected:
    void SetUp() override
    {
        PublicVars::TuningSteps = PublicVars::DefaultTuningSteps;
        TuneRate = 0;
        TuneUpPending = TuneDownPending = false;
        MouseOverS::SkipNextDialChange = false;
        MainWindowRig::SetUp();
        VFOControl = false;
        VFO->TuneStepLock(false);
        VFO->TunedFrequency(Tuned);
    }

    std::string Shown() const
    {
        std::string digits;
        for (SevenSegmentLabel* digit : window->Frequency->lbl7Seg)
            digits += digit->Caption().toStdString();
        return digits;
    }
    std::string Rate() const { return window->Frequency->lblTuningRate->text().toStdString(); }
    void Key(QEvent::Type type, int key, bool repeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
        QCoreApplication::sendEvent(window->Frequency->picFreqDisp, &event);
    }
    // The user turns the dial a number of notches in one move.
    void Turn(int notches) { window->Frequency->dialtuner->SetValue(window->Frequency->dialtuner->Value() + notches); }

    static constexpr int32_t Tuned = 70501234;
};

TEST_F(FrequencyDisplay, ShowsNineDigitsAndRedrawsOnlyAChangedString)
{
    window->Frequency->tmrTune_Timer();
    EXPECT_EQ(Shown(), "070501234");
    // The oscillator readout goes with the digits: only a changed string shows it again.
    const QString oscillatorShown = window->Statistics->lblStatsVal[3]->text();
    VFO->OscOut(VFO->OscOut() + 10);
    window->Frequency->Display7Seg("070501234");
    EXPECT_EQ(window->Statistics->lblStatsVal[3]->text(), oscillatorShown);
    window->Frequency->Display7Seg("1234567891");   // 123 456 789.1 Hz: the first nine characters
    EXPECT_EQ(Shown(), "123456789");
    EXPECT_NE(window->Statistics->lblStatsVal[3]->text(), oscillatorShown);

    VFOControl = true;   // an oscillator the program tunes: the RIT offset is shown with it
    RITOffset = -123;
    window->Frequency->tmrTune_Timer();
    EXPECT_EQ(Shown(), "070500004");
    RITOffset = 0;
}

TEST_F(FrequencyDisplay, HoveringADigitMakesItsPlaceValueTheStepUnlessLocked)
{
    window->Frequency->lbl7Seg_MouseMove(0);   // the digit hovered last starts at 0: nothing
    EXPECT_EQ(FocusedLabelID, 1);
    EXPECT_EQ(TuneRate, 0);
    window->Frequency->lbl7Seg_MouseMove(4);
    EXPECT_EQ(VFO->TuneStep(), 10000);
    EXPECT_EQ(TuneRate, 10000);
    EXPECT_EQ(Rate(), "x 1 KHz");
    window->Frequency->lblTuningRate_Click();
    EXPECT_EQ(window->Frequency->lblTuningRate->toolTip(), "Click to Unlock Tuning Rate");
    window->Frequency->lbl7Seg_MouseMove(6);
    EXPECT_EQ(VFO->TuneStep(), 10000);
}

// A held key tunes one step per timer tick at most; its release ends the steps and the rate,
// but a tap that ends before the next tick still makes its one step.
TEST_F(FrequencyDisplay, KeysAskTheFastTimerForOneStepEach)
{
    window->Frequency->lbl7Seg_MouseMove(5);   // 100 Hz
    Key(QEvent::KeyPress, Qt::Key_A);
    EXPECT_EQ(window->Frequency->tmrTune.interval(), 20);
    Key(QEvent::KeyPress, Qt::Key_Up, true);
    window->Frequency->tmrTune_Timer();
    window->Frequency->tmrTune_Timer();
    EXPECT_EQ(VFO->TunedFrequency(), 70502000);   // onto the 100 Hz grid, one step up
    EXPECT_EQ(Shown(), "070502000");
    EXPECT_EQ(window->Frequency->dialtuner->Value(), 1);

    Key(QEvent::KeyPress, Qt::Key_Z);
    Key(QEvent::KeyRelease, Qt::Key_Z, true);   // a repeat's release is no release
    window->Frequency->tmrTune_Timer();
    Key(QEvent::KeyRelease, Qt::Key_Z);
    EXPECT_EQ(VFO->TunedFrequency(), 70501000);
    EXPECT_FALSE(TuneDownPending);
    EXPECT_EQ(TuneRate, 0);

    Key(QEvent::KeyPress, Qt::Key_Down);
    Key(QEvent::KeyRelease, Qt::Key_Down);
    window->Frequency->tmrTune_Timer();
    window->Frequency->tmrTune_Timer();
    EXPECT_EQ(VFO->TunedFrequency(), 70500000);

    VFO->TuneStep(500);   // any other key takes the VFO's step as rate and grid
    Key(QEvent::KeyPress, Qt::Key_Q);
    EXPECT_EQ(TuneRate, 500);
    EXPECT_EQ(VFO->TuneStepLSD(), 500);
    FocusedLabelID = 0;   // without the display's focus the keys do nothing
    Key(QEvent::KeyPress, Qt::Key_A);
    EXPECT_FALSE(TuneUpPending);
}

// Left goes to the larger step and wraps from the 10 MHz digit to the tenths, Right the other
// way. A first key with no rate set starts from the VFO's step, and with no step at all from
// the tenths: never from a digit the display lacks.
TEST_F(FrequencyDisplay, LeftAndRightWalkRoundTheNineDigits)
{
    FocusedLabelID = 1;
    for (const auto& [step, digit, caption] : {std::tuple{1000.0, 4, "x 1 KHz"}, std::tuple{0.0, 7, "x 1 Hz"}}) {
        window->Frequency->Tuning.KeyDigitInitialised = false;
        TuneRate = 0;
        VFO->TuneStep(step);
        window->Frequency->picFreqDisp_KeyDown(Qt::Key_Left);
        EXPECT_EQ(window->Frequency->TuneDigit, digit) << step;
        EXPECT_EQ(Rate(), caption) << step;
    }
    for (int key = 0; key < 8; ++key)
        window->Frequency->picFreqDisp_KeyDown(Qt::Key_Left);
    EXPECT_EQ(window->Frequency->TuneDigit, 8);
    EXPECT_EQ(Rate(), "x 1 dHz");
    window->Frequency->picFreqDisp_KeyDown(Qt::Key_Right);
    EXPECT_EQ(window->Frequency->TuneDigit, 0);
    EXPECT_EQ(Rate(), "x 10 MHz");
}

// Releasing a mouse button over the display ends its pending step; a unit label re-enters
// the frequency with its group zeroed and the tenths kept.
TEST_F(FrequencyDisplay, HeldButtonsAndUnitLabels)
{
    TuneUpPending = TuneDownPending = true;
    window->Frequency->picFreqDisp_MouseUp(Left);
    EXPECT_FALSE(TuneUpPending);
    EXPECT_TRUE(TuneDownPending);
    window->Frequency->picFreqDisp_MouseUp(Right);
    EXPECT_FALSE(TuneDownPending);

    for (const auto& [unit, tuned] : {std::pair{2, 70500004}, std::pair{1, 70001234}, std::pair{0, 501234}}) {
        VFO->TunedFrequency(Tuned);
        window->Frequency->lblScale_Click(unit);
        EXPECT_EQ(VFO->TunedFrequency(), std::max(tuned, VFO->RXMinFreq() * 10)) << unit;
    }
    EXPECT_EQ(Shown(), VFO->FormattedTunedFreq());
}

// A step chosen from the table locks it; one chosen without unlocking waits for the lock.
// The list holds the table, pops up on a right click and goes on Esc.
TEST_F(FrequencyDisplay, TuningStepsAreChosenLockedAndWrap)
{
    window->Frequency->SetTuneStep(4, true);
    EXPECT_EQ(VFO->TuneStep(), 25000);
    EXPECT_EQ(Rate(), "x 2.5 KHz");
    EXPECT_TRUE(VFO->TuneStepLock());
    window->Frequency->mnuVFOStepSub_Click(0);
    EXPECT_EQ(VFO->TuneStep(), 25000);
    window->Frequency->SetTuneStep(18, true);
    EXPECT_EQ(VFO->TuneStep(), 100000);
    window->Frequency->SetTuneStep(-1, true);
    EXPECT_EQ(Rate(), "x 1 dHz");

    ASSERT_EQ(window->Frequency->cboTuningSteps->count(), 18);
    window->Frequency->lblTuningRate_MouseDown(Right);
    EXPECT_TRUE(window->Frequency->cboTuningSteps->isVisibleTo(window.get()));
    window->Frequency->cboTuningSteps->setCurrentIndex(8);
    window->Frequency->cboTuningSteps_Click();
    EXPECT_EQ(VFO->TuneStep(), 1000);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window->Frequency->cboTuningSteps, &escape);
    EXPECT_FALSE(window->Frequency->cboTuningSteps->isVisibleTo(window.get()));
}

// A click on another digit locks its step, on the same digit it toggles the lock; a double-
// click acts as a click and a double-click. The menu locks on its digit and unlocks.
TEST_F(FrequencyDisplay, DigitClicksAndTheMenuLockTheStep)
{
    window->Frequency->lbl7Seg_Click(0);   // the remembered digit starts at 0: only the lock toggles
    EXPECT_TRUE(VFO->TuneStepLock());
    EXPECT_TRUE(window->Frequency->TuneRateLocked);
    window->Frequency->lbl7Seg_Click(5);
    EXPECT_EQ(VFO->TuneStep(), 1000);
    EXPECT_TRUE(window->Frequency->imgTuneStepLock->isVisibleTo(window.get()));
    SevenSegmentLabel* digit = window->Frequency->lbl7Seg[5];
    emit digit->MouseDown(Left, 0, 0, 0);
    emit digit->Click();
    emit digit->MouseDown(Left, 0, 0, 0);
    emit digit->DblClick();
    emit digit->Click();   // the release that ends the double-click
    EXPECT_TRUE(VFO->TuneStepLock());
    window->Frequency->imgTuneStepLock_DblClick();
    EXPECT_FALSE(VFO->TuneStepLock() || window->Frequency->TuneRateLocked ||
                 window->Frequency->imgTuneStepLock->isVisibleTo(window.get()));

    window->Frequency->mnuVFOControl->setProperty("Tag", "6");
    VFO->TuneStepLock(true);
    window->Frequency->mnuVFOControlSub_Click(3);
    EXPECT_EQ(VFO->TuneStep(), 100);
    EXPECT_TRUE(VFO->TuneStepLock() && window->Frequency->TuneRateLocked &&
                window->Frequency->imgTuneStepLock->isVisibleTo(window.get()));
    window->Frequency->mnuVFOControlSub_Click(4);
    EXPECT_FALSE(VFO->TuneStepLock() || window->Frequency->imgTuneStepLock->isVisibleTo(window.get()));
    window->Frequency->mnuVFOControl->setProperty("Tag", "99");   // no such digit: the nearest
    window->Frequency->mnuVFOControlSub_Click(3);
    EXPECT_EQ(VFO->TuneStep(), 1);
}

// One turn of the dial is one step whatever its size, 100 Hz unless the rate is locked;
// across the wrap it keeps its direction. Over the dial the wheel turns the dial alone.
TEST_F(FrequencyDisplay, TheDialTunesOneStepPerTurn)
{
    FocusedLabelID = 1;
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(window->Frequency->dialtuner, &enter);
    EXPECT_EQ(FocusedLabelID, 0);
    VFO->TunedFrequency(70500000);
    Turn(5);
    EXPECT_EQ(VFO->TunedFrequency(), 70501000);
    window->Frequency->dialtuner->SetValue(100);   // from 5 the short way round is down
    EXPECT_EQ(VFO->TunedFrequency(), 70500000);
    window->Frequency->dialtuner->SetValue(0);     // wraps on from 100
    EXPECT_EQ(VFO->TunedFrequency(), 70501000);
    window->Frequency->SetTuneStep(5, true);       // 1 kHz, locked
    window->Frequency->TuneRateLocked = true;
    Turn(1);
    EXPECT_EQ(VFO->TunedFrequency(), 70510000);   // onto the 1 kHz grid, one step up
}

// The held keys, the wheel over the display and the shaft encoder tune and turn the dial a
// notch: that notch never tunes again, and the user's next turn always does.
TEST_F(FrequencyDisplay, MovesOfTheDialByCodeTuneOnceAndNeverSwallowTheNextTurn)
{
    VFO->TunedFrequency(70500000);
    VFO->TuneStep(1000);
    ScrollLabels[1].LastWheelMsg.wParam = -(120 << 16);
    MouseOverS::FreqDisplay_Wheel();
    EXPECT_EQ(VFO->TunedFrequency(), 70499000);
    EXPECT_EQ(window->Frequency->dialtuner->Value(), 100);
    EXPECT_FALSE(MouseOverS::SkipNextDialChange);

    // The user turns back over a notch the program made: that is a turn down.
    MouseOverS::SkipNextDialChange = true;
    RadioControls::dialtuner.Value(51);
    Turn(-1);
    EXPECT_EQ(VFO->TunedFrequency(), 70498000);
}

// The user's own moves of the dial: wheel notches over it and drags around its centre, one
// step at a time.
class DialMoves : public FrequencyDisplay
{
protected:
    enum class Move { Wheel, Drag };

    void ChooseStepInTheList(int32_t step)
    {
        const auto& steps = PublicVars::TuningSteps;
        const auto index = static_cast<int>(std::find(steps.begin(), steps.end(), step) - steps.begin());
        window->Frequency->lblTuneDialRate_MouseDown(Right);
        window->Frequency->cboTuningSteps->setCurrentIndex(index);
        emit window->Frequency->cboTuningSteps->activated(index);
    }
    // The frequency after each of three notches up, then three down.
    std::vector<int32_t> ThreeUpThreeDown(Move move)
    {
        std::vector<int32_t> tuned{VFO->TunedFrequency()};
        for (const int direction : {1, 1, 1, -1, -1, -1}) {
            move == Move::Wheel ? Wheel(direction) : Drag(direction);
            tuned.push_back(VFO->TunedFrequency());
        }
        return tuned;
    }
    void Wheel(int notches)
    {
        const QPointF centre = QRectF(window->Frequency->dialtuner->rect()).center();
        QWheelEvent event(centre, centre, QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window->Frequency->dialtuner, &event);
    }
    // Pressed at the top, turned one step's angle and a half (the first step), released.
    void Drag(int direction)
    {
        Dial* dial = window->Frequency->dialtuner;
        const QPointF centre = QRectF(dial->rect()).center();
        const double radius = std::min(centre.x(), centre.y()) * 0.8;
        const double degrees = direction * 1.5 * 360.0 / (dial->Max() - dial->Min() + 1);
        const double radians = degrees * std::numbers::pi / 180.0;
        const QPointF top = centre + QPointF(0, -radius);
        const QPointF turned = centre + QPointF(radius * std::sin(radians), -radius * std::cos(radians));
        Mouse(QEvent::MouseButtonPress, top, Qt::LeftButton);
        Mouse(QEvent::MouseMove, turned, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, turned, Qt::NoButton);
    }
    void Mouse(QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, at, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(window->Frequency->dialtuner, &event);
    }
    // Each move tunes in its direction; after the first of each way, by exactly the step.
    static void ExpectSteps(const std::vector<int32_t>& tuned, int32_t step, const std::string& what)
    {
        for (size_t move = 1; move < tuned.size(); ++move) {
            const int direction = move <= 3 ? 1 : -1;
            const int32_t moved = tuned[move] - tuned[move - 1];
            EXPECT_GT(moved * direction, 0) << what << ", move " << move;
            if (move != 1 && move != 4) {
                EXPECT_EQ(moved, direction * step) << what << ", move " << move;
            }
        }
    }

    static constexpr int32_t At7020kHz = 70200000;
    static constexpr int32_t Unlocked = 1000;   // 100 Hz
};

// Whatever step is chosen in the list the unlocked dial tunes by 100 Hz, never snapped back to
// the step's grid; locked on a digit, by the digit's step.
TEST_F(DialMoves, EveryNotchAndDragStepTunesInItsDirectionAtEveryStep)
{
    for (const Move move : {Move::Wheel, Move::Drag}) {
        const std::string how = move == Move::Wheel ? "wheel" : "drag";
        for (const int32_t step : {5000, 10000, 90000}) {
            ChooseStepInTheList(step);
            ASSERT_EQ(VFO->TuneStep(), step);
            ASSERT_FALSE(window->Frequency->TuneRateLocked);
            for (const int32_t start : {At7020kHz, At7020kHz + 1234}) {
                VFO->TunedFrequency(start);
                ExpectSteps(ThreeUpThreeDown(move), Unlocked,
                            how + ", step " + std::to_string(step) + ", from " + std::to_string(start));
            }
        }
        window->Frequency->lbl7Seg_Click(5);   // another digit first: a second click on one toggles
        window->Frequency->lbl7Seg_Click(4);   // the 1 kHz digit's step, locked
        ASSERT_TRUE(window->Frequency->TuneRateLocked);
        VFO->TunedFrequency(At7020kHz);
        ExpectSteps(ThreeUpThreeDown(move), 10000, how + ", locked on 1 kHz");
        window->Frequency->imgTuneStepLock_DblClick();
    }
}

// Each wheel notch over the digits tunes one step of the rate shown, up and down; a fine
// wheel's parts of a notch add up to one step.
TEST_F(FrequencyDisplay, EachWheelNotchOverTheDigitsTunesOneStep)
{
    window->winId();   // the window the wheel is delivered to
    VFO->TunedFrequency(70500000);
    window->Frequency->lbl7Seg_MouseMove(5);
    ASSERT_EQ(FocusedLabelID, 1);
    ASSERT_EQ(Rate(), "x 100 Hz");
    const auto wheel = [this](int angle) {
        QWheelEvent event(QPointF(2, 2), QPointF(2, 2), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window->windowHandle(), &event);
    };
    wheel(120);
    EXPECT_EQ(VFO->TunedFrequency(), 70501000);
    wheel(-120);
    EXPECT_EQ(VFO->TunedFrequency(), 70500000);
    for (int notch = 0; notch < 4; ++notch)
        wheel(120);
    EXPECT_EQ(VFO->TunedFrequency(), 70504000) << "four notches, 400 Hz";
    for (int part = 0; part < 4; ++part)
        wheel(-30);
    EXPECT_EQ(VFO->TunedFrequency(), 70503000) << "four parts of a notch, one step";
}

// The Vantrel receiver on its serial port: what a tuning key does reaches the VFO and, as
// one tuning word, the AD9951.
class TuningTheChip : public FrequencyDisplay
{
protected:
    void SetUp() override
    {
        FrequencyDisplay::SetUp();
        window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "0");
        HardwareObjects::CreateHardwareObjects();
        window = std::make_unique<frmMain>();
        VFO->TuneStepLock(false);   // the start-up locks the step it finds in the list
        VFO->TunedFrequency(Tuned);
        lines.ClearTrace();
    }

    FakePerfCounter clock{10'000'000, 1};
    FakeSerialLines lines{clock};
};

TEST_F(TuningTheChip, AKeyStepReachesTheVFOAndTheOscillator)
{
    ASSERT_EQ(VFO->DDSInterfaceType(), 0);   // serial
    const int32_t oscillator = VFO->OscOut();
    window->Frequency->lbl7Seg_MouseMove(4);   // 1 kHz
    Key(QEvent::KeyPress, Qt::Key_A);
    window->Frequency->tmrTune_Timer();
    EXPECT_EQ(VFO->TunedFrequency(), 70510000);
    EXPECT_EQ(Shown(), "070510000");
    EXPECT_EQ(std::abs(VFO->OscOut() - oscillator), 10000 - 1234);
    // The chip's last frame: instruction 0x04, then the tuning word of the new frequency.
    const auto frames = lines.Chip().SelectedFrames();
    ASSERT_FALSE(frames.empty());
    const double word = VFO->OscOut() * 4294967296.0 / (modSetupRX::CurrentChip->ClkIn() * 10);
    EXPECT_EQ(frames.back().Value(BitOrder::MSBFirst, 0, 8), 0x04u);
    EXPECT_EQ(frames.back().Value(BitOrder::MSBFirst, 8, 32), static_cast<uint64_t>(std::nearbyint(word)));
}

} // namespace
