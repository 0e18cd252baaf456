#include "ScopeTestRig.h"

#include "core/RuntimeError.h"

#include <cmath>
#include <numbers>
#include <tuple>

using SpectrumAnalyserDisplay = ScopeTestRig;

namespace {

std::vector<float> Tone(double bin, float amplitude = 1000)
{
    std::vector<float> samples(2048);
    for (size_t n = 0; n < samples.size(); ++n)
        samples[n] = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * bin * n / 2048));
    return samples;
}

size_t Peak(std::span<const float> values, size_t count)
{
    return static_cast<size_t>(std::max_element(values.begin(), values.begin() + count) - values.begin());
}

} // namespace

TEST_F(SpectrumAnalyserDisplay, InitSizesTheAnalyserFromTheSampleRate)
{
    EXPECT_EQ(analyser->Points, 2048);
    EXPECT_EQ(analyser->SpectrumWidth, 24000);
    EXPECT_FLOAT_EQ(analyser->HzPerBin(), 23.4375f);
    EXPECT_EQ(analyser->StopBin, 1024);
    EXPECT_TRUE(analyser->Initialised);
    analyser->FSampling = 48001;
    analyser->init();
    EXPECT_FLOAT_EQ(analyser->HzPerBin(), 23.4375f);
    analyser->FSampling = 1;
    EXPECT_THROW(analyser->init(), RuntimeError);
}

// Only the display cycle transforms; a switched-off analyser takes nothing.
TEST_F(SpectrumAnalyserDisplay, TheSpectrumShowsEachChannelAtItsBin)
{
    analyser->FastMode(true);
    Load(Tone(100), Tone(300));
    analyser->Display();
    EXPECT_EQ(Peak(analyser->Y1Display(), 1024), 100u);
    EXPECT_EQ(Peak(analyser->Y2Display(), 1024), 300u);
    EXPECT_NEAR(analyser->Y1Display()[100], 1024.0 * 1024 * 1000 * 1000, 1E9);

    analyser->Active(false);
    Load(Tone(200), Tone(200));
    analyser->Active(true);
    Load(std::vector<float>(100, 1.0f), {});   // a short block replaces only what it holds
    drawn0.clear();
    analyser->Display();
    EXPECT_EQ(Peak(analyser->Y1Display(), 1024), 100u);
}

// Channel 2's half spectrum mirrored on the left half, channel 1's on the right.
TEST_F(SpectrumAnalyserDisplay, TheIQViewPutsBothChannelsSideBySide)
{
    analyser->FastMode(true);
    analyser->SetIQMode(true);
    Load(Tone(100), Tone(40));
    analyser->Display();
    EXPECT_EQ(Peak(analyser->Y1Display().subspan(512), 512), 50u);   // bin 100 of channel 1
    EXPECT_EQ(Peak(analyser->Y1Display(), 512), 512u - 20u);           // bin 40 of channel 2
}

// The first strict rising crossing with a whole screen after it; a sample of exactly 0
// breaks a crossing.
TEST_F(SpectrumAnalyserDisplay, TheScopeTriggersOnTheFirstRisingZeroCrossing)
{
    analyser->Mode(ScopeModeEnum::Scope);
    analyser->ScreenWidth = 100;
    for (auto [where, pattern, trigBin] : {std::tuple{10, std::vector<float>{-1, 1}, 10},
                                           {10, {-1, 0, 1}, 0},
                                           {1990, {-1, 1}, 0},
                                           {1947, {-1, 1}, 1947}}) {
        std::vector<float> y1(2048, 5.0f);
        std::copy(pattern.begin(), pattern.end(), y1.begin() + where);
        analyser->TriggerChn(1);
        Load(y1, std::vector<float>(2048, -1.0f));
        analyser->Display();
        EXPECT_EQ(analyser->TrigBin, trigBin) << where;
        EXPECT_EQ(analyser->StopBin, trigBin + 99);
    }
    analyser->TriggerChn(2);
    analyser->Display();
    EXPECT_EQ(analyser->TrigBin, 0);
}

TEST_F(SpectrumAnalyserDisplay, TheFilterCurveOfNoTapsIsFlat)
{
    analyser->LoadFilterCoeffs_T_S(std::vector<float>(4096, 0.0f));
    EXPECT_FLOAT_EQ(analyser->FilterCurveLin()[500], 1.01f);
    EXPECT_NEAR(analyser->FilterCurveLog()[500], 0.0043214 * 2.4E7 * 0.9, 30);
    analyser->LogMode(true);
    analyser->LoadFilterCoeffs_T_S(std::vector<float>(10, 0.0f));
    EXPECT_NEAR(analyser->FilterCurveLog()[0], 0.0043214 * 7.380211 * 0.89, 1E-5);
    // A single tap passes everything: the curve is flat at its power plus 1.01.
    std::vector<float> impulse(2048, 0.0f);
    impulse[0] = 1;
    analyser->LoadFilterCoeffs_T_S(impulse);
    EXPECT_FLOAT_EQ(analyser->FilterCurveLin()[700], 144 + 1.01f);
    EXPECT_THROW(analyser->LoadFilterCoeffs_F_S(std::vector<float>(2048, 0.0f)), RuntimeError);
}

// Frozen frames alternate between the boxes without new data; each frame shows its box.
TEST_F(SpectrumAnalyserDisplay, FramesAlternateBetweenTheTwoBoxes)
{
    EXPECT_TRUE(box0.isVisibleTo(&panel));
    EXPECT_FALSE(box1.isVisibleTo(&panel));
    drawn0.clear();
    drawn1.clear();
    analyser->DisplayFrozen();
    EXPECT_FALSE(drawn0.empty());
    EXPECT_TRUE(drawn1.empty());
    analyser->DisplayFrozen();
    EXPECT_FALSE(drawn1.empty());
    EXPECT_TRUE(box1.isVisibleTo(&panel));
    EXPECT_FALSE(box0.isVisibleTo(&panel));
    EXPECT_FALSE(analyser->DrawOnDisplay1());
}

// The box scale of each mode, and the place in the container.
TEST_F(SpectrumAnalyserDisplay, TheAxesFollowTheMode)
{
    EXPECT_EQ(box0.ScaleWidth(), 1024);
    EXPECT_EQ(box0.ScaleTop(), 2.4E7f);
    EXPECT_EQ(box0.ScaleHeight(), -4.8E7f);
    EXPECT_NEAR(box0.height(), (4000 - 230) * 300 / 4000.0, 1);
    analyser->StartBin = 0;
    analyser->StopBin = 2047;
    analyser->Mode(ScopeModeEnum::Phase);
    EXPECT_EQ(box0.ScaleTop(), 32768);
    EXPECT_NEAR(box0.ScaleLeft(), -32768.0 * box0.width() / box0.height(), 1E-3);
    EXPECT_EQ(box1.ScaleLeft(), box0.ScaleLeft());
    EXPECT_EQ(box1.geometry(), box0.geometry());
    analyser->StopBin = 0;
    analyser->Mode(ScopeModeEnum::Spectrum);
    EXPECT_EQ(box0.ScaleWidth(), 100);
}
