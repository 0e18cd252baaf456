#include "ui/main/ScrollLabelApply.h"

#include "core/BusyGuard.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "ui/main/ScrollLabels.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <algorithm>
#include <cmath>

namespace MouseOverS {

namespace {

bool xCentreBusy = false;
bool smoothBusy = false;
bool y1BrightBusy = false;
bool y2BrightBusy = false;
bool frameRateBusy = false;

constexpr int32_t NarrowestScope = 10;   // samples

const ScrollLabelRecord& Record(int16_t id) { return ScrollLabels[static_cast<size_t>(id)]; }

// The analyser, or nothing to steer.
template <typename Action>
void WithAnalyser(Action action)
{
    if (Analyser)
        action(*Analyser);
}

// The scope shows span samples from the first, span being the width label's value above its
// minimum, at least NarrowestScope and at most limit.
void SetScopeSpan(clsSpectrumAnalyser& analyser, int32_t limit)
{
    const ScrollLabelRecord& width = Record(6);
    const int32_t span = std::min(std::max(Numeric::CLng(width.Value - width.Min), NarrowestScope), limit);
    analyser.ScreenWidth = span;
    analyser.StartBin = 0;
    analyser.StopBin = span - 1;
}

// The spectrum shows span bins centred on the centre label's bin, within the spectrum.
void SetSpectrumSpan(clsSpectrumAnalyser& analyser)
{
    const ScrollLabelRecord& width = Record(6);
    const ScrollLabelRecord& centre = Record(15);
    const int32_t limit = Numeric::CLng(width.Max);
    const int32_t span = Numeric::CLng(width.Value);
    TryStep([&] { analyser.StartBin = std::max(Numeric::CLng(centre.Value - static_cast<float>(span / 2)), 0); });
    TryStep([&] {
        const double half = std::floor(span / 2.0 + 0.5);
        analyser.StopBin = std::min(Numeric::CLng(centre.Value + half), limit);
    });
}

void ShowSpanCaptions(const clsSpectrumAnalyser& analyser)
{
    const double perBin = analyser.HzPerBin() * (analyser.IQMode() ? 2.0 : 1.0);
    ScrollLabelSteps::ShowCaption(Record(15), (Record(15).Value + 1.0) * perBin + analyser.FOffset());
    const int32_t span = analyser.StopBin - analyser.StartBin;
    if (analyser.Mode() == ScopeModeEnum::Spectrum)
        ScrollLabelSteps::ShowCaption(Record(6), perBin * (span + 1) / 12.0);
    else if (analyser.Mode() == ScopeModeEnum::Scope)
        ScrollLabelSteps::ShowCaption(Record(6), static_cast<double>(0.042666666f) * (span + 1) / 12.0);
}

void SetBrightness(bool& busyFlag, int16_t id, int16_t channel)
{
    if (busyFlag)
        return;
    BusyGuard busy(busyFlag);
    WithAnalyser([&](clsSpectrumAnalyser& analyser) { analyser.SetChannelBrightness(channel, Numeric::CInt(Record(id).Value)); });
}

} // namespace

void lblScopeChn1Gain_Wheel() { WithAnalyser([](clsSpectrumAnalyser& a) { a.Chn1Gain(Record(2).Value); }); }
void lblScopeChn1Shift_Wheel() { WithAnalyser([](clsSpectrumAnalyser& a) { a.Chn1Shift(Record(3).Value); }); }
void lblScopeChn2Gain_Wheel() { WithAnalyser([](clsSpectrumAnalyser& a) { a.Chn2Gain(Record(4).Value); }); }
void lblScopeChn2Shift_Wheel() { WithAnalyser([](clsSpectrumAnalyser& a) { a.Chn2Shift(Record(5).Value); }); }

// Spectrum: the span centred on the centre label; scope: the span from the first sample.
// A failing step is skipped (a centre far outside the spectrum, say).
void lblScopeXWidth_Wheel()
{
    WithAnalyser([](clsSpectrumAnalyser& analyser) {
        const ScrollLabelRecord& width = Record(6);
        if (analyser.Mode() == ScopeModeEnum::Spectrum)
            SetSpectrumSpan(analyser);
        else if (analyser.Mode() == ScopeModeEnum::Scope)
            TryStep([&] { SetScopeSpan(analyser, Numeric::CLng(width.Max - width.Min)); });
        TryStep([&] { ShowSpanCaptions(analyser); });
    });
}

void lblScopeXCentre_Wheel()
{
    if (xCentreBusy)
        return;
    BusyGuard busy(xCentreBusy);
    WithAnalyser([](clsSpectrumAnalyser& analyser) {
        if (analyser.Mode() == ScopeModeEnum::Spectrum)
            lblScopeXWidth_Wheel();
        else if (analyser.Mode() == ScopeModeEnum::Scope)
            SetScopeSpan(analyser, Numeric::CLng(Record(6).Max));
    });
}

void lblSpectrumSmooth_Wheel()
{
    if (smoothBusy)
        return;
    BusyGuard busy(smoothBusy);
    WithAnalyser([](clsSpectrumAnalyser& a) { a.SpectrumSmooth(Numeric::CLng(Record(lblSpectrumSmoothIndex).Value)); });
    ScrollLabelSteps::ShowValue(Record(lblSpectrumSmoothIndex));
}

void lblY1Bright_Wheel() { SetBrightness(y1BrightBusy, lblY1BrightIndex, 0); }
void lblY2Bright_Wheel() { SetBrightness(y2BrightBusy, lblY2BrightIndex, 1); }

void lblFrameRate_Wheel()
{
    if (frameRateBusy)
        return;
    BusyGuard busy(frameRateBusy);
    WithAnalyser([](clsSpectrumAnalyser& a) { a.FrameRate(Numeric::CLng(Record(lblFrameRateIndex).Value)); });
    ScrollLabelSteps::ShowValue(Record(lblFrameRateIndex));
}

} // namespace MouseOverS
