#include "ScopeTestRig.h"

#include "core/Globals.h"
#include "core/Numeric.h"
#include "dsp/ReceiveState.h"
#include "fakes/FakeMessageBoxes.h"
#include "radio/clsVFO.h"
#include "ui/scope/ScopeControls.h"
#include "ui/scope/frmUpDateScopeDisplay.h"

#include "radio/RadioTestRig.h"

#include <memory>
#include <tuple>

using namespace ScopeControls;

class ScopeControlsTest : public ScopeTestRig
{
protected:
    void SetUp() override
    {
        ScopeTestRig::SetUp();
        chip = std::make_shared<TestOscillatorChip>();
        vfo.OscType(chip);
        vfo.RXMinFreq(100000);
        vfo.RxMaxFreq(30000000);
        vfo.IFFrequency(0);
    }

    FakeMessageBoxes boxes;
    std::shared_ptr<TestOscillatorChip> chip;
    clsVFO vfo;
};

// The cursor reads the frequency the axis labels give at its place: at X = 100 of the
// 1024 bins shown (23.4375 Hz each, the highest at the left edge) 7 090 343.75 Hz; a left
// click tunes there to the hertz, the upper I/Q image's stored frequency twice the LO offset
// lower; the chip gets it.
TEST_F(ScopeControlsTest, ClickToTuneTunesToTheFrequencyTheAxisShowsUnderThePointer)
{
    analyser->SetFOffset(7088000);
    EXPECT_DOUBLE_EQ(analyser->FrequencyAt(0), 7088000);
    EXPECT_DOUBLE_EQ(analyser->FrequencyAt(1024), 7088000 + 24000);
    const double tag = CursorFrequency(*analyser, 100, true);
    EXPECT_DOUBLE_EQ(tag, 7090343.75);
    const std::string text = Numeric::Str(tag);
    EXPECT_EQ(ReadoutCaption(*analyser, text, std::nullopt), "7 090 344");
    EXPECT_EQ(ReadoutCaption(*analyser, text, 500), "7 090 344 : 500");
    EXPECT_FALSE(ClickToTune(*analyser, 2, text, false, 0, vfo));
    ASSERT_TRUE(ClickToTune(*analyser, 1, text, false, 0, vfo));
    EXPECT_EQ(vfo.TunedFrequency(), 70903440);
    EXPECT_EQ(chip->frequencies.back(), 70903440);
    ClickToTune(*analyser, 1, text, true, 12000, vfo);
    EXPECT_EQ(chip->frequencies.back(), 70663440);
    analyser->SetReverseSpectrum(true);
    EXPECT_DOUBLE_EQ(CursorFrequency(*analyser, 100, false), 7088000 + 2343.75);
    // Far beyond the receiver, and not a number at all: held at its limits.
    ClickToTune(*analyser, 1, "9E15", false, 0, vfo);
    EXPECT_EQ(vfo.TunedFrequency(), 300000000);
    ClickToTune(*analyser, 1, "abc", false, 0, vfo);
    EXPECT_EQ(vfo.TunedFrequency(), 1000000);
}

// "AF Out" shows audio hertz, and a click there does nothing.
TEST_F(ScopeControlsTest, SourcesPlaceTheAxis)
{
    SelectSource(*analyser, ScopeSourceEnum::IFIn, 70890000, true);
    EXPECT_EQ(analyser->FEnd(), 2 * IFCentreHz);
    EXPECT_EQ(analyser->FOffset(), 7089000 - 12000);
    EXPECT_TRUE(analyser->ReverseSpectrum());
    EXPECT_TRUE(FiltersDirty);
    SelectSource(*analyser, ScopeSourceEnum::AFOut, 70890000, false);
    EXPECT_EQ(ScopeSource, ScopeSourceEnum::AFOut);
    EXPECT_EQ(analyser->FEnd(), 6000);
    EXPECT_EQ(analyser->FOffset(), 0);
    EXPECT_STREQ(ReadoutPicture(*analyser), "###0");
    EXPECT_FALSE(ClickToTune(*analyser, 1, "7000000", false, 0, vfo));
    ScopeSource = ScopeSourceEnum::IFIn;
    FiltersDirty = false;
}

TEST_F(ScopeControlsTest, SlidersSetGainAndTheShownRange)
{
    EXPECT_EQ(ApplySpectrumGain(*analyser, 20, 10, false), "YGain : 0 dB");
    EXPECT_EQ(ApplySpectrumGain(*analyser, 20, 9, false), "YGain : 6 dB");
    EXPECT_FLOAT_EQ(analyser->Gain, 2.0f);
    EXPECT_EQ(ApplySpectrumGain(*analyser, 20, 0, true), "");
    EXPECT_FLOAT_EQ(analyser->Gain, 2.0f);

    EXPECT_EQ(ApplyXRange(*analyser, 0, 1024, 0, 3), "Spectrum Width : 16 Hz/div");
    EXPECT_EQ(analyser->StartBin, 0);
    EXPECT_EQ(analyser->StopBin, 8);
    ApplyXRange(*analyser, 0, 1024, 1024, 1000);
    EXPECT_EQ(analyser->StopBin, 1024);
    analyser->Mode(ScopeModeEnum::Scope);
    EXPECT_EQ(ApplyXRange(*analyser, 0, 2048, 481, 0), "Timebase : 00.83 mS/div");
    EXPECT_EQ(analyser->ScreenWidth, 481);
    EXPECT_EQ(analyser->StopBin, 480);
    EXPECT_EQ(CentreToolTip(*analyser, 512), "Center Frequency : 12,000 Hz");
}

// The scope and the phase display force the linear, fast display; the spectrum gets its
// own choice back.
TEST_F(ScopeControlsTest, TheModeSwitchReloadsTheModesOwnSettings)
{
    analyser->LogMode(true);
    analyser->Mode(ScopeModeEnum::Scope);
    analyser->Chn1Shift(30);
    ModeLayout layout = SwitchMode(*analyser, ScopeModeEnum::Scope);
    EXPECT_TRUE(layout.linearChecked && layout.fastChecked && layout.triggerSwitches && !layout.yMode);
    EXPECT_EQ(layout.divisionCaption, "ms/Div");
    EXPECT_EQ(layout.chn1Shift, 30);
    layout = SwitchMode(*analyser, ScopeModeEnum::Spectrum);
    EXPECT_FALSE(layout.linearChecked || layout.fastChecked || layout.triggerSwitches);
    EXPECT_EQ(layout.widthFormat, "#,###");
    EXPECT_EQ(ReadoutLeft(590, 0, 600, 40), 560);
    EXPECT_EQ(ReadoutLeft(100, 0, 600, 40), 117);
}

// 100 Hz per tenth of the height from the top, never below 10 Hz; none without a height.
TEST_F(ScopeControlsTest, TheWheelStepFollowsTheCursorHeight)
{
    for (auto [y, step] : {std::pair{0.0, 10}, {500.0, 500}, {960.0, 1000}, {-300.0, 10}})
        EXPECT_EQ(WheelStepAt(y, -1000), step) << y;
    EXPECT_EQ(WheelStepAt(10, 0), std::nullopt);
    EXPECT_EQ(ApplyWheelStep(vfo, 500), 5000);
    EXPECT_EQ(vfo.TuneStepLSD(), 5000);
}

// Every N-th call redraws; between redraws the counter keeps to 15 bits; a minimised
// window neither draws nor counts; a rate of 0 draws every time.
TEST_F(ScopeControlsTest, TheRedrawIsPacedByTheFrameRate)
{
    frmUpDateScopeDisplay pacer;
    float rate = 4;
    bool minimised = false;
    pacer.Analyser = analyser.get();
    pacer.FrameRateValue = [&] { return rate; };
    pacer.MainWindowMinimised = [&] { return minimised; };
    auto redraws = [&](int calls) {
        int drawn = 0;
        for (int call = 0; call < calls; ++call) {
            const bool before = analyser->DrawOnDisplay1();
            pacer.UpdateScopeDisplay();
            drawn += analyser->DrawOnDisplay1() != before;
        }
        return drawn;
    };
    EXPECT_EQ(redraws(12), 3);
    minimised = true;
    EXPECT_EQ(redraws(5), 0);
    EXPECT_EQ(pacer.FrameCounter(), 12);
    minimised = false;
    rate = 2;
    pacer.FrameCounter(32766);
    EXPECT_EQ(redraws(1), 0);
    EXPECT_EQ(pacer.FrameCounter(), 32767);
    EXPECT_EQ(redraws(1), 1);
    EXPECT_EQ(pacer.FrameCounter(), 32768);
    EXPECT_EQ(redraws(1), 0);
    EXPECT_EQ(pacer.FrameCounter(), 1);
    rate = 0;
    EXPECT_EQ(redraws(3), 3);
    analyser->Freeze = true;   // a receiver that is off redraws the kept frame
    EXPECT_EQ(redraws(2), 2);
}
