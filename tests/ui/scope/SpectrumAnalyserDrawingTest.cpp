#include "ScopeTestRig.h"

#include "dsp/ReceiveDefaults.h"
#include "support/AllocationCounter.h"

#include <cmath>
#include <numbers>
#include <random>

namespace {

using Kind = DrawOperation::Kind;

std::vector<float> Level(float dc) { return std::vector<float>(2048, dc); }

std::vector<float> Sine(double cycles, float amplitude, double phase = 0)
{
    std::vector<float> samples(2048);
    for (size_t n = 0; n < samples.size(); ++n)
        samples[n] = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * cycles * n / 2048 + phase));
    return samples;
}

// Band noise with a few carriers, as an antenna brings it.
std::vector<float> Band()
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0, 40);
    std::vector<float> samples(2048);
    for (size_t n = 0; n < samples.size(); ++n) {
        samples[n] = noise(random);
        for (auto [bin, amplitude] : {std::pair{212.3, 3000.0}, {512.0, 9000.0}, {530.6, 600.0}, {801.2, 1500.0}})
            samples[n] += static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * bin * n / 2048));
    }
    return samples;
}

} // namespace

class SpectrumAnalyserDrawing : public ScopeTestRig
{
protected:
    // One frame drawn into box 0 with the current settings; the display arrays after it.
    std::vector<DrawOperation> Frame(const std::vector<float>& y1, const std::vector<float>& y2)
    {
        Load(y1, y2);
        const bool intoDisplay1 = analyser->DrawOnDisplay1();
        drawn0.clear();
        drawn1.clear();
        analyser->Display();
        return intoDisplay1 ? drawn1 : drawn0;
    }
};

// Ten divisions up, twelve across and the centre line; numbers only in the spectrum.
TEST_F(SpectrumAnalyserDrawing, TheGraticuleHasItsGridAndLabels)
{
    analyser->Mode(ScopeModeEnum::Scope);
    auto ops = Frame(Level(0), Level(0));
    EXPECT_EQ(ops.front().kind, Kind::Cls);
    const auto grid = Trace(ops, 0x7F00);
    const auto vertical = std::count_if(grid.begin(), grid.end(), [](auto& op) { return op.x1 == op.x2; });
    EXPECT_EQ(vertical, 13);
    EXPECT_EQ(grid.size() - vertical, 16u);   // five lie above the top edge
    EXPECT_EQ(Trace(ops, 0xC0C0).size(), 1u);
    EXPECT_TRUE(OfKind(ops, Kind::Print).empty());

    analyser->Mode(ScopeModeEnum::Spectrum);
    analyser->LogMode(true);
    analyser->Mode(ScopeModeEnum::Spectrum);
    analyser->SetReverseSpectrum(true);
    analyser->StopBin = 1023;
    std::vector<QString> texts;
    for (const auto& op : OfKind(Frame(Level(0), Level(0)), Kind::Print))
        texts.push_back(op.text);
    // The middle line's number (-74) would lie on the row of frequencies: it is left out.
    ASSERT_EQ(texts.size(), 10u + 13u);
    EXPECT_EQ(texts[0], "-148");
    EXPECT_EQ(texts[1], "-133");
    EXPECT_EQ(texts[4], "-89");
    EXPECT_EQ(texts[5], "-59");
    EXPECT_EQ(texts[8], "-15");
    EXPECT_EQ(texts[9], "");
    EXPECT_EQ(texts[10], "24.0");   // bin 1023 at the right edge
    EXPECT_EQ(texts[22], ".1");     // bin 3, 70 Hz

    analyser->LogMode(false);
    analyser->SetReverseSpectrum(false);
    analyser->StopBin = 1024;
    analyser->SetFOffset(7038000);
    const auto labels = OfKind(Frame(Level(0), Level(0)), Kind::Print);
    ASSERT_EQ(labels.size(), 13u);
    EXPECT_EQ(labels[0].text, "7 038");
    EXPECT_EQ(labels[12].text, "7 062");

    // Six bins give a bin step of 0.5, which rounds to 0: thirteen times one frequency.
    analyser->StartBin = 100;
    analyser->StopBin = 106;
    analyser->Mode(ScopeModeEnum::Spectrum);
    const auto narrow = OfKind(Frame(Level(0), Level(0)), Kind::Print);
    ASSERT_EQ(narrow.size(), 13u);
    EXPECT_EQ(narrow[12].text, narrow[0].text);
}

// Without reversal the highest shown bin is at the left edge and StartBin at the right.
TEST_F(SpectrumAnalyserDrawing, TheSpectrumRunsFromStopBinToStartBin)
{
    analyser->FastMode(true);
    analyser->StartBin = 10;
    analyser->StopBin = 20;
    analyser->Mode(ScopeModeEnum::Spectrum);
    auto trace = Trace(Frame(Sine(15, 100), Level(0)), 0xFF00);
    const auto shown = analyser->Y1Display();
    ASSERT_EQ(trace.size(), 11u);
    EXPECT_EQ(trace.front().x2, 0);
    EXPECT_EQ(trace.front().y2, shown[20]);
    EXPECT_NEAR(trace.back().x2, box0.ScaleWidth(), 1E-9);
    EXPECT_EQ(trace.back().y2, shown[10]);
    analyser->SetReverseSpectrum(true);
    trace = Trace(Frame(Sine(15, 100), Level(0)), 0xFF00);
    EXPECT_EQ(trace.front().y2, shown[10]);
}

// The linear spectrum applies offset and gain once before drawing and again while
// drawing (the last shown bin only once); automatic gain leaves the first out.
TEST_F(SpectrumAnalyserDrawing, LinearGainActsTwiceUnlessAutomatic)
{
    analyser->FastMode(true);
    Frame(Sine(100.3, 100), Level(0));
    const std::vector<float> delivered(analyser->Y1Display().begin(), analyser->Y1Display().end());
    analyser->Chn1Gain(2);
    Frame(Sine(100.3, 100), Level(0));
    EXPECT_FLOAT_EQ(analyser->Y1Display()[100], 4 * delivered[100]);
    EXPECT_FLOAT_EQ(analyser->Y1Display()[1024], 2 * delivered[1024]);
    analyser->AutoGain = true;
    Frame(Sine(100.3, 100), Level(0));
    EXPECT_FLOAT_EQ(analyser->Y1Display()[100], 2 * delivered[100]);
}

// Frame j back from the newest weighs (j + 1) / K, the sum divided by (K + 1) / 2.
TEST_F(SpectrumAnalyserDrawing, SmoothingWeighsOlderFramesMore)
{
    const float power = 2048.0f * 2048.0f;   // bin 0 of a level of 1
    analyser->SpectrumSmooth(3);
    for (float level : {1.0f, 2.0f, 3.0f})
        Frame(Level(level), Level(0));
    EXPECT_NEAR(analyser->Y1Display()[0], power * (9.0 / 3 + 4.0 * 2 / 3 + 1.0) / 2, power * 1E-5);
    analyser->SpectrumSmooth(1);
    Frame(Level(2), Level(0));
    EXPECT_NEAR(analyser->Y1Display()[0], power * 4, power * 1E-5);
    analyser->SpectrumSmooth(1000);   // more than the history holds: its 64 frames
    Frame(Level(2), Level(0));
    EXPECT_TRUE(std::isfinite(analyser->Y1Display()[0]));
}

TEST_F(SpectrumAnalyserDrawing, ScopeAndPhaseTracesCoverTheirSamples)
{
    analyser->Mode(ScopeModeEnum::Scope);
    analyser->ScreenWidth = 100;
    analyser->TriggerChn(1);
    auto trace = Trace(Frame(Sine(20, 1000), Level(0)), 0xFF00);
    ASSERT_EQ(trace.size(), 101u);
    EXPECT_NEAR(trace[99].x2, box0.ScaleWidth(), 1E-9);
    EXPECT_EQ(trace[99].y2, analyser->Y1Display()[static_cast<size_t>(analyser->TrigBin) + 99]);
    analyser->ScreenWidth = 5000;   // wider than the samples: drawn as far as they go
    EXPECT_EQ(Trace(Frame(Sine(20, 1000), Level(0)), 0xFF00).size(), 2049u);

    analyser->StartBin = 0;
    analyser->StopBin = 2047;
    analyser->Mode(ScopeModeEnum::Phase);
    trace = Trace(Frame(Sine(20, 1000), Sine(20, 1000, 1)), 0xFF00);
    ASSERT_EQ(trace.size(), 2046u);
    EXPECT_EQ(trace.front().x1, analyser->Y2Display()[0]);
    EXPECT_EQ(trace.back().y2, analyser->Y1Display()[2046]);
}

// The filter curve one step right of the trace; the notch marker in not-xor, at least a
// pixel wide, at half the step in the I/Q view, where the pass band is a box.
TEST_F(SpectrumAnalyserDrawing, FilterCurveNotchAndPassband)
{
    analyser->FastMode(true);
    analyser->ShowFilter(true);
    analyser->ShowNotch(true);
    NotchFilterCenter = 1000;
    NotchFilterWidth = 1;
    analyser->LoadFilterCoeffs_T_S(std::vector<float>(2048, 0.0f));
    auto ops = Frame(Level(0), Level(0));
    const auto curve = Trace(ops, 192);
    ASSERT_EQ(curve.size(), 1025u);
    EXPECT_EQ(curve.front().x2, 1);
    EXPECT_EQ(curve.front().y2, analyser->FilterCurveLin()[1024]);
    auto notch = Trace(ops, 0xC0FF60);
    ASSERT_EQ(notch.size(), 1u);
    EXPECT_EQ(notch[0].x1, 981);   // 1024 - 1000 / 23.4375, rounded
    EXPECT_EQ(notch[0].width, 1);
    EXPECT_EQ(notch[0].mode, PictureBox::NotXorPen);

    analyser->SetIQMode(true);
    ops = Frame(Level(0), Level(0));
    EXPECT_EQ(OfKind(ops, Kind::Box).size(), 1u);
    EXPECT_EQ(Trace(ops, 0xC0FF60).at(0).x1, 491);
}

// Once a mode has drawn its first frame, later frames allocate nothing but what bringing
// a box to the front costs the widget system.
TEST_F(SpectrumAnalyserDrawing, FramesAllocateNothing)
{
    const long raises = AllocationCounter::Count([&] {
        for (int frame = 0; frame < 4; ++frame)
            (frame % 2 ? box0 : box1).ZOrder(0);
    });
    box0.SetRecorder(nullptr);
    box1.SetRecorder(nullptr);
    analyser->ShowFilter(true);
    analyser->ShowNotch(true);
    analyser->SetFOffset(7038000);
    const std::vector<float> y1 = Band(), y2 = Sine(20, 1000);
    for (int mode : {0, 1, 2}) {
        analyser->Mode(mode);
        analyser->LogMode(mode == 0);
        analyser->Mode(mode);
        for (int warmUp = 0; warmUp < 2; ++warmUp) {
            Load(y1, y2);
            analyser->Display();
        }
        EXPECT_EQ(AllocationCounter::Count([&] {
                      for (int frame = 0; frame < 4; ++frame) {
                          analyser->LoadSamples_S(y1, y2);
                          analyser->Display();
                      }
                  }),
                  raises)
            << mode;
    }
}
