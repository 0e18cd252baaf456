#include "MainWindowRig.h"
#include "core/Numeric.h"
#include "dsp/MakeFilters.h"
#include "dsp/ReceiveDefaults.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>

#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class ReceiveControls : public MainWindowRig
{
protected:
    void SetUp() override
    {
        MainWindowRig::SetUp();
        window->Receive->optMode_Click(DemodModeEnum::USB);
    }
    static float LabelValue(int id) { return ScrollLabels[static_cast<size_t>(id)].Value; }
};

// A preset sets the pass band, the dynamic filter inside it, the edge sliders (inverted),
// their stored edges and tool tips, and value labels 7 and 8.
TEST_F(ReceiveControls, AFilterPresetSetsThePassBandEverywhere)
{
    FiltersDirty = false;
    window->Receive->optFilter.Select(2);
    EXPECT_EQ(FilterMode, 2);
    EXPECT_EQ(std::pair(FilterLo, FilterHi), std::pair(300, 2300));
    EXPECT_EQ(std::pair(DynFilter.FLow, DynFilter.FHigh), std::pair(500, 2100));
    Slider* high = window->Receive->sldBW[1];
    EXPECT_EQ(high->Value(), high->Max() + high->Min() - 2300);
    EXPECT_EQ(high->Tag, "2300");
    EXPECT_EQ(high->toolTip(), "Fhi : 2,300 Hz");
    EXPECT_EQ(LabelValue(7) + LabelValue(8), 2600.0f);
    EXPECT_TRUE(FiltersDirty);
    EXPECT_EQ(FormControls::ForeColour(window->Receive->optFilter[2]), 0xFFFF00u);

    // A slider moves one edge; -2 comes back to the stored edges, -1 keeps the edges in force.
    high->SetValue(high->Min());
    EXPECT_EQ(FilterHi, high->Max());
    window->Receive->optFilter_Click(-2);
    EXPECT_EQ(FilterHi, 2300);
    ScrollLabels[7].Value = 2000;
    MouseOverS::lblFilterHi_Wheel();
    window->Receive->optFilter_Click(-1);
    EXPECT_EQ(FilterHi, 2000);
    window->Receive->optFilter_Click(2);
    EXPECT_EQ(LabelValue(7), 2300.0f) << "the label follows a preset whose slider did not move";
    ScrollLabels[8].Value = 2500;   // beyond the lower edge slider's reach
    MouseOverS::lblFilterLo_Wheel();
    window->Receive->optFilter_Click(-1);
    EXPECT_EQ(FilterLo, 2500) << "the slider shows the edge, clamped, and does not change it";
}

// Music mode keeps the preset's lower edge, once, whether the box or a preset switches it on.
TEST_F(ReceiveControls, MusicModeMovesTheLowerEdgeAndGivesTheSavedOneBack)
{
    window->Receive->optFilter.Select(3);
    window->Receive->chkMusic->setChecked(true);
    EXPECT_EQ(FilterLo, 50);
    EXPECT_TRUE(MusicModeActive && FilterTable[3].Music);
    window->Receive->optFilter.Select(1);
    EXPECT_EQ(FilterLo, 200);
    window->Receive->optFilter.Select(3);
    EXPECT_EQ(FilterLo, 50);
    EXPECT_EQ(FilterTable[3].SavedLo, 300) << "the handler ran once, not twice";
    window->Receive->sldBW_MouseDown(0, 2);
    EXPECT_EQ(FilterLo, 50);
    window->Receive->chkMusic->setChecked(false);
    EXPECT_EQ(FilterLo, 300);
    window->Receive->optFilter.Select(1);
    window->Receive->sldBW[0]->SetValue(window->Receive->sldBW[0]->Max());
    window->Receive->sldBW_MouseDown(0, 2);
    EXPECT_EQ(FilterLo, 200) << "a right click puts the preset's edge back";
}

TEST_F(ReceiveControls, IFFilterModesActOnlyWhileTheFilterIsOn)
{
    window->Receive->optIFFilter.Select(1);
    EXPECT_EQ(IFFilterMode, IFFilterModeEnum::Track);
    EXPECT_EQ(window->Receive->optIFFilter.Selected(), 2);

    FiltersDirty = false;
    window->Receive->chkIFFilter->setChecked(true);
    EXPECT_TRUE(IFFilterActive && IFFilter.Active && FiltersDirty);
    window->Receive->optIFFilter.Select(1);
    EXPECT_EQ(IFFilterMode, IFFilterModeEnum::Man);
    EXPECT_EQ(std::pair(LabelValue(17), LabelValue(18)), std::pair(6000.0f, 0.0f));
    EXPECT_FALSE(window->Receive->lblIFHi->isHidden());

    window->Receive->optIFFilter.Select(2);
    EXPECT_TRUE(window->Receive->lblIFHi->isHidden());
    EXPECT_EQ(LabelValue(17), static_cast<float>(FilterTable[FilterMode].Hi));

    window->Receive->optIFFilter.Select(1);
    window->Receive->chkIFFilter->setChecked(false);
    EXPECT_EQ(IFFilterMode, IFFilterModeEnum::Track) << "off falls back to Track";
    EXPECT_FALSE(IFFilterActive || IFFilter.Active);
    EXPECT_TRUE(ScrollLabels[17].Disabled);

    window->Receive->chkIFFilter->setChecked(true);
    window->Receive->optIFFilter.Select(0);
    EXPECT_FALSE(window->Receive->chkIFFilter->isChecked());
    EXPECT_FALSE(IFFilterActive);
}

// The notch switches act only while the notch is on; the automatic notch works with the AF
// range and keeps the one in force for the IF element.
TEST_F(ReceiveControls, NotchSwitchesAndTheCentreRangePerType)
{
    window->Receive->chkNotchAuto->setChecked(true);
    EXPECT_FALSE(window->Receive->chkNotchAuto->isChecked());
    window->Receive->optNotch.Select(1);
    EXPECT_EQ(window->Receive->optNotch.Selected(), 0);

    window->Receive->chkNotchOn->setChecked(true);
    EXPECT_TRUE(NotchActive && NotchFilter.Active && NotchDirty && window->SpectrumAnalyser->ShowNotch());

    window->Receive->chkNotchType->setChecked(true);   // IF: offsets of either sign
    EXPECT_EQ(ScrollLabels[11].Min, -6000.0f);
    ScrollLabels[11].Value = -1500;
    window->Receive->chkNotchType->setChecked(false);
    EXPECT_EQ(ScrollLabels[11].Min, 0.0f);
    EXPECT_EQ(NotchCentreRanges[1].Value, -1500.0f);

    window->Receive->chkNotchAuto->setChecked(true);
    EXPECT_EQ(NotchMode, NotchModeEnum::Auto);
    EXPECT_TRUE(window->Receive->chkNotchType->isHidden());
    EXPECT_EQ(NotchCentreRanges[1].Min, 0.0f) << "the AF range went to the IF element";
    window->Receive->optNotch.Select(1);
    window->Receive->optNotch.Select(0);
    EXPECT_EQ(NotchMode, NotchModeEnum::Man);
    EXPECT_FALSE(window->Receive->lblNotchC->isHidden());

    window->Receive->chkNotchMirror->setChecked(true);
    EXPECT_TRUE(NotchMirror);
    window->Receive->chkNotchOn->setChecked(false);
    EXPECT_FALSE(NotchActive || NotchFilter.Active || window->SpectrumAnalyser->ShowNotch());
    window->Receive->chkNotchMirror->setChecked(false);
    EXPECT_TRUE(window->Receive->chkNotchMirror->isChecked());
    NotchMirror = false;
}

TEST_F(ReceiveControls, AGCSpeedsActOnlyWithTheAGCOn)
{
    window->Receive->optAGC.Select(3);
    EXPECT_EQ(AGCMode, 1);
    EXPECT_EQ(window->Receive->optAGC.Selected(), 1);
    EXPECT_TRUE(ScrollLabels[13].Disabled);
    window->Receive->chkAGC->setChecked(true);
    EXPECT_TRUE(AGCOn);
    EXPECT_FALSE(ScrollLabels[13].Disabled);
    window->Receive->optAGC.Select(2);
    EXPECT_EQ(AGCMode, 2);
    EXPECT_EQ(std::pair(LabelValue(13), LabelValue(14)), std::pair(50.0f, 100.0f));
    EXPECT_EQ(AGCAttackLength, Numeric::CLng(50 / 10.0 * 23.4375));
}

TEST_F(ReceiveControls, SlidersSetTheirValuesAndToolTips)
{
    window->Receive->sldAGCAttack->SetValue(50);
    window->Receive->sldAGCAttack->SetValue(5);
    EXPECT_FLOAT_EQ(MouseOverS::AGCAttack, 0.5f);
    EXPECT_EQ(AGCAttackLength, 12);
    EXPECT_EQ(window->Receive->sldAGCAttack->toolTip(), "AGC Attack=0.5 S");
    window->Receive->sldAGCDecay->SetValue(105);
    EXPECT_EQ(MouseOverS::AGCDecay, 10);
    EXPECT_EQ(AGCDecayLength, 480);
    window->Receive->sldBalance->SetValue(-250);
    EXPECT_EQ(window->Receive->sldBalance->toolTip(), "IQ Imbalance=0.0250");

    window->Receive->sldNB->SetValue(5000);
    EXPECT_FLOAT_EQ(NRLevel, 0.2f);

    NotchFilterCenter = 100;
    Slider* width = window->Receive->sldNotchWidth;
    width->SetValue(width->Max() + width->Min() - 300);
    EXPECT_EQ(std::tuple(NotchFilterWidth, NotchLo, NotchHi), std::tuple(300, 0, 250));
    window->Receive->sldNotch->SetValue(4000);
    EXPECT_EQ(NotchFilterCenter, 100) << "the notch slider moves no frequency";

    window->AudioOut->sldOutVolume->SetValue(-2000);
    EXPECT_EQ(LabelValue(10), -2000.0f);
    EXPECT_FLOAT_EQ(OutputAttenuation, -2000.0f);
    EXPECT_EQ(window->AudioOut->dialOutVol->Value(), -200) << "the knob stands at the level shown, -20.0 dB";
    window->AudioOut->dialOutVol->SetValue(-260);
    EXPECT_EQ(window->AudioOut->sldOutVolume->Value(), -2600);
    EXPECT_EQ(LabelValue(10), -2600.0f);

    window->Receive->sldPhaseAngle->SetValue(-500);
    EXPECT_DOUBLE_EQ(PhaseFilterQ.PhaseAngle, -0.05);
}

TEST_F(ReceiveControls, SwitchesSetTheirFlags)
{
    window->AudioOut->chkMute->setChecked(true);
    EXPECT_TRUE(Mute);
    window->Receive->chkNB->setChecked(true);
    EXPECT_TRUE(NBOn && window->Receive->sldNB->isEnabled() && !window->Receive->dialNB->isHidden());
    window->Receive->chkNB->setChecked(false);
    EXPECT_TRUE(window->Receive->dialNB->isHidden());
    EXPECT_TRUE(ScrollLabels[9].Disabled);

    window->Receive->chkDynFilter->setChecked(true);
    EXPECT_TRUE(DynFilterActive && DynFilter.Active);
    DynFilter.FLow = 1234;
    FiltersDirty = false;
    window->Receive->chkDynFilter->setChecked(false);
    EXPECT_FALSE(DynFilterActive || DynFilter.Active);
    EXPECT_TRUE(FiltersDirty) << "the edges in force before the dynamic filter come back";
    EXPECT_EQ(DynFilter.FLow, Numeric::CLng(FilterLo + 0.1 * (FilterHi - FilterLo)));

    // The image box acts only for an I/Q receiver whose oscillator is not tuned.
    for (const bool iq : {false, true}) {
        IQModeOn = iq;
        VFOControl = false;
        IQSelectUpper = false;
        window->Receive->chkIQSelectUpper->setChecked(!window->Receive->chkIQSelectUpper->isChecked());
        EXPECT_EQ(IQSelectUpper, iq && window->Receive->chkIQSelectUpper->isChecked()) << iq;
    }
    IQModeOn = IQSelectUpper = false;

    FiltersDirty = false;
    window->Receive->chkTuneLo->setChecked(true);
    EXPECT_TRUE(FiltersDirty);
    EXPECT_FALSE(HiSideLoOn || VFO->HiSideLo());
    window->Receive->chkTuneLo->setChecked(false);
    EXPECT_TRUE(HiSideLoOn && VFO->HiSideLo());

    window->SMeter->cmdCalibrateSMeter->click();
    EXPECT_TRUE(window->SMeter->SMeterZeroRequested);

    // Flags the block loop reads on its next block; none of them asks for a redesign.
    FiltersDirty = false;
    for (const bool ticked : {true, false}) {
        window->Receive->chkFlipIQ->setChecked(ticked);
        window->Statistics->chkPerfStatsOn->setChecked(ticked);
        window->Analyser->chkSpectrumAnalyser->setChecked(ticked);
        EXPECT_EQ(FlipIQ, ticked);
        EXPECT_EQ(PerfStatsOn, ticked);
        EXPECT_EQ(window->SpectrumAnalyser->Active(), ticked);
    }
    EXPECT_FALSE(FiltersDirty);
}

} // namespace

namespace {

double Amplitude(const std::vector<int16_t>& samples, double hz)
{
    double c = 0, s = 0;
    for (size_t n = 0; n < samples.size(); ++n) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(n) / 48000.0;
        c += samples[n] * std::cos(phase);
        s += samples[n] * std::sin(phase);
    }
    return 2.0 * std::hypot(c, s) / static_cast<double>(samples.size());
}

// Two tones, heard at 400 Hz and 2 kHz: the CW preset passes the first alone, the broadcast
// preset both, each after the redesign the deferred work carries out.
TEST_F(ReceiveControls, FilterPresetsChangeThePassBandOfTheReceivedAudio)
{
    const double side = SidebandAboveIF(DemodModeEnum::USB) ? 1.0 : -1.0;
    const auto level = [&](int preset) {
        window->Receive->optFilter.Select(preset);
        window->Deferred->tmrPerfStats_Timer();
        std::vector<int16_t> left(BlockSize), right(BlockSize, 0);
        for (int64_t block = 0; block < 4; ++block) {
            for (int32_t k = 0; k < BlockSize; ++k) {
                const double t = static_cast<double>(block * BlockSize + k) / 48000.0;
                left[static_cast<size_t>(k)] = static_cast<int16_t>(
                    std::lround(4000.0 * (std::cos(2 * std::numbers::pi * (12000 + side * 400) * t) +
                                          std::cos(2 * std::numbers::pi * (12000 + side * 2000) * t))));
            }
            window->SoundCard_DataReady(left, right, BlockSize);
        }
        return 20.0 * std::log10(Amplitude(left, 2000) / Amplitude(left, 400));
    };
    EXPECT_LT(level(1), -40.0);
    EXPECT_NEAR(level(0), 0.0, 1.0);
}

} // namespace
