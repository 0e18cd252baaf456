#include "core/Globals.h"
#include "core/NumberFormat.h"
#include "core/MainWindowValues.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "ui/common/Label.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/frmMain.h"
#include "ui/scope/clsSpectrumAnalyser.h"
#include "support/ScopedTestHome.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The apply routines on the receive chain's values, each record with a label of its own.
class ScrollLabelApply : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int16_t id = 0; id < ScrollLabelCount; ++id) {
            ScrollLabels[static_cast<size_t>(id)] = {};
            ScrollLabels[static_cast<size_t>(id)].Label = &labels[id];
        }
        Record(10).Format = "0.0";
        Record(12).Format = Record(20).Format = Record(23).Format = "#0";
        Record(13).Format = Record(14).Format = "#0.0";
    }
    void TearDown() override
    {
        for (ScrollLabelRecord& record : ScrollLabels)
            record = {};
        HiSideLoOn = IQModeOn = IQSelectUpper = false;
        RITOffset = 0;
        IFFreq = IFCentreHz;
        OutputAttenuation = 0.0f;
        NotchType = NotchTypeEnum::AF;
        NotchFilter.Active = false;
        NotchDirty = FiltersDirty = false;
    }

    static ScrollLabelRecord& Record(int16_t id) { return ScrollLabels[static_cast<size_t>(id)]; }
    QString Caption(int16_t id) const { return labels[id].text(); }

    Label labels[ScrollLabelCount];
};

TEST_F(ScrollLabelApply, RITMovesTheIFOnTheSideOfTheInjectionAndLeavesTheIQChainsIFAtTheCentre)
{
    struct Case
    {
        bool hiSide, iq, upper;
        float value;
        int32_t rit, ifFreq;
        const char* caption;
    };
    const Case cases[] = {
        {true, false, false, 100, 100, 12100, "100"},   {false, false, false, 100, -100, 11900, "-100"},
        {true, true, false, 100, 100, 12000, "100"},    {true, true, true, 100, 100, 12000, "100"},
        {true, false, false, 0, 0, 12000, "0"},         {false, true, false, -2500.5f, 2500, 12000, "2500"},
    };
    for (const Case& c : cases) {
        HiSideLoOn = c.hiSide, IQModeOn = c.iq, IQSelectUpper = c.upper;
        FiltersDirty = false;
        Record(lblBFOIndex).Value = c.value;
        MouseOverS::lblBFO_Wheel();
        EXPECT_EQ(RITOffset, c.rit) << c.value;
        EXPECT_EQ(IFFreq, c.ifFreq) << c.value;
        EXPECT_EQ(Record(lblIFShiftIndex).Value, static_cast<float>(c.rit));
        EXPECT_EQ(Caption(lblBFOIndex), c.caption);
        EXPECT_EQ(Caption(lblIFShiftIndex), c.caption);
        EXPECT_EQ(NCOPhaseInc, static_cast<int32_t>(std::floor(1073741824.0 / 48000.0 * c.ifFreq + 0.5)));
        EXPECT_TRUE(FiltersDirty);
    }
    Record(lblBFOIndex).Value = 0;
    MouseOverS::lblBFO_Wheel();
    EXPECT_EQ(NCOPhaseInc, 1 << 28);
}

// An attenuation reads as the decibels the sound card takes it for (hundredths of a decibel),
// with one minus sign.
TEST_F(ScrollLabelApply, VolumeIsAnAttenuationBelowMinus50AGainAbove1AndNothingBetween)
{
    struct Case
    {
        float value, level;
        const char* caption;
    };
    const Case cases[] = {
        {-51, -51, "-0.5"},  {-10000, -10000, "-100.0"}, {2, 1.002f, "+0.0"}, {8000, 9, "+19.1"},
        {1, 0, "0.0"},       {-1, 0, "0.0"},            {-30, 0, "0.0"},     {-50, 0, "0.0"},
    };
    OutputAttenuation = 5.0f;
    for (const Case& c : cases) {
        Record(10).Value = c.value;
        MouseOverS::ApplyOutputVolume();
        EXPECT_FLOAT_EQ(OutputAttenuation, c.level) << c.value;
        EXPECT_EQ(Caption(10), c.caption) << c.value;
    }
}

TEST_F(ScrollLabelApply, NotchEdgesFollowCentreAndWidth)
{
    NotchFilterWidth = 0;
    NotchFilterCenter = 150;
    Record(12).Value = 400;
    MouseOverS::lblNotchW_Wheel();
    EXPECT_EQ(NotchLo, 0);
    EXPECT_EQ(NotchHi, 350);
    EXPECT_TRUE(NotchDirty);
    EXPECT_EQ(MouseOverS::NotchPrevWidth, 0);

    // The IF notch: on the side of the IF where the chain finds the signal.
    struct Case
    {
        int32_t type;
        bool hiSide, iq;
        int32_t centre;
    };
    const Case cases[] = {{NotchTypeEnum::AF, true, true, 1000},  {NotchTypeEnum::IF, true, true, 11000},
                          {NotchTypeEnum::IF, true, false, 13000}, {NotchTypeEnum::IF, false, true, 13000},
                          {NotchTypeEnum::IF, false, false, 11000}};
    VFO.reset();
    for (const Case& c : cases) {
        NotchType = c.type, HiSideLoOn = c.hiSide, IQModeOn = c.iq;
        NotchDirty = false;
        Record(11).Value = 1000;
        MouseOverS::lblNotchC_Wheel();
        EXPECT_EQ(NotchFilterCenter, c.centre);
        EXPECT_EQ(NotchLo, c.centre - 200);
        EXPECT_EQ(NotchHi, c.centre + 200);
        EXPECT_FALSE(NotchDirty) << "an inactive notch needs no redesign";
    }
    NotchFilter.Active = true;
    MouseOverS::NotchCentreBusy = true;   // the slider moves the centre: no feedback
    MouseOverS::lblNotchC_Wheel();
    EXPECT_FALSE(NotchDirty);
    MouseOverS::NotchCentreBusy = false;
    MouseOverS::lblNotchC_Wheel();
    EXPECT_TRUE(NotchDirty);
}

// Lengths held within 1 and the delay line (attack) or the block (decay) whatever the label.
TEST_F(ScrollLabelApply, AGCLengthsFromTheLabelsStayWithinTheirBuffers)
{
    ReceiveDefaults::FillAGCTable("");
    AGCMode = 2;
    struct Case
    {
        float value;
        int32_t attackBlocks, decaySamples;
        const char* attackCaption;
        const char* decayCaption;
    };
    const Case cases[] = {{5, 12, 1, "0.5", "0.0"},      {10, 23, 48, "1.0", "1.0"}, {100, 234, 480, "10.0", "10.0"},
                          {200, 234, 960, "20.0", "20.0"}, {0, 1, 1, "0.0", "0.0"},   {25, 59, 96, "2.5", "2.0"}};
    for (const Case& c : cases) {
        Record(13).Value = Record(14).Value = c.value;
        MouseOverS::lblAGCAttack_Wheel();
        MouseOverS::lblAGCDecay_Wheel();
        EXPECT_EQ(AGCAttackLength, c.attackBlocks) << c.value;
        EXPECT_EQ(AGCDecayLength, c.decaySamples) << c.value;
        EXPECT_EQ(Caption(13), c.attackCaption);
        EXPECT_EQ(Caption(14), c.decayCaption);
        EXPECT_EQ(AGCTable[2].Attack, static_cast<int32_t>(c.value));
        EXPECT_EQ(AGCTable[2].Decay, static_cast<int32_t>(c.value));
        EXPECT_FLOAT_EQ(AGCAttackRamp[0], 1.0f);
    }
    AGCMode = 1;
}

TEST_F(ScrollLabelApply, IFEdgesAndShiftSetTheChainAndAskForARedesign)
{
    ReceiveDefaults::FillIFFilterTable("");
    DemodMode = DemodModeEnum::USB;
    IFFilterMode = IFFilterModeEnum::Man;
    Record(17).Value = 2800.4f;
    Record(18).Value = 299.6f;
    Record(23).Value = -150;
    Record(17).Format = Record(18).Format = "#0";
    MouseOverS::lblIFHi_Wheel();
    MouseOverS::lblIFLo_Wheel();
    MouseOverS::lblIFShift_Wheel();
    const IFFilterEntry& entry = IFFilterTable[static_cast<size_t>(IFFilterIndex(DemodModeEnum::USB, IFFilterModeEnum::Man))];
    EXPECT_EQ(entry.Hi, 2800);
    EXPECT_EQ(entry.Lo, 300);
    EXPECT_EQ(IFFilterHi, 2800);
    EXPECT_EQ(IFFilterLo, 300);
    EXPECT_EQ(IFFreq, 11850);
    EXPECT_TRUE(FiltersDirty);
    IFFilterMode = IFFilterModeEnum::Track;
    DemodMode = DemodModeEnum::AM;
}

TEST_F(ScrollLabelApply, TheWheelOverTheSpectrumAsksForOneStepUnlessTheRateIsLocked)
{
    VFO.reset();
    for (const auto& [wParam, up, down] : {std::tuple{120 << 16, true, false}, {-(120 << 16), false, true},
                                           {0, false, true}}) {
        Record(PicScopeIndex).LastWheelMsg.wParam = wParam;
        MouseOverS::picScope_Wheel();
        EXPECT_EQ(TuneUpPending, up) << wParam;
        EXPECT_EQ(TuneDownPending, down) << wParam;
    }
    TuneUpPending = TuneDownPending = false;
}

// The span: in the spectrum centred on the centre label within the bins, in the scope from
// the first sample and never narrower than 10 samples.
TEST_F(ScrollLabelApply, TheScopeSpanFollowsWidthAndCentreInEachMode)
{
    ScopedTestHome home;
    clsSpectrumAnalyser analyser;
    analyser.FSampling = 48000;
    analyser.Order = 11;
    analyser.init();
    MouseOverS::Analyser = &analyser;
    analyser.HzPerBin(11.71875f);
    analyser.SetFOffset(1000);
    Record(6).Max = Record(15).Max = 1023;
    Record(6).Min = 10;
    Record(6).Format = Record(15).Format = "#,###";
    struct Case
    {
        int32_t mode;
        float width, centre;
        int32_t start, stop;
        const char* widthCaption;
    };
    const Case cases[] = {{ScopeModeEnum::Spectrum, 101, 511, 461, 562, "100"},
                          {ScopeModeEnum::Spectrum, 400, 100, 0, 300, "294"},
                          {ScopeModeEnum::Spectrum, 400, 1000, 800, 1023, "219"},
                          {ScopeModeEnum::Scope, 12, 511, 0, 9, ""},
                          {ScopeModeEnum::Scope, 1023, 511, 0, 1012, "4"}};
    for (const Case& c : cases) {
        analyser.Mode(c.mode);
        Record(6).Value = c.width;
        Record(15).Value = c.centre;
        MouseOverS::lblScopeXWidth_Wheel();
        EXPECT_EQ(analyser.StartBin, c.start) << c.width << " " << c.centre;
        EXPECT_EQ(analyser.StopBin, c.stop) << c.width << " " << c.centre;
        EXPECT_EQ(Caption(6), c.widthCaption);
        EXPECT_EQ(Caption(15), QString::fromStdString(Format((c.centre + 1) * 11.71875 + 1000, "#,###")));
    }
    analyser.Mode(ScopeModeEnum::Scope);
    Record(6).Value = 10;
    MouseOverS::lblScopeXCentre_Wheel();
    EXPECT_EQ(analyser.ScreenWidth, 10);

    Record(lblFrameRateIndex).Value = 3.5f;
    Record(lblSpectrumSmoothIndex).Value = 5;
    MouseOverS::lblFrameRate_Wheel();
    MouseOverS::lblSpectrumSmooth_Wheel();
    EXPECT_EQ(analyser.FrameRate(), 4);
    EXPECT_EQ(analyser.SpectrumSmooth(), 5);
    MouseOverS::Analyser = nullptr;
}

} // namespace
