#include "ui/scope/ScopeControls.h"

#include "core/Globals.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveState.h"
#include "radio/clsVFO.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <algorithm>
#include <cmath>

namespace ScopeControls {

namespace {

constexpr int32_t MinimumSpan = 10;
constexpr int32_t Divisions = 12;
constexpr int32_t MinimumWheelStep = 10;

// The display shows received frequencies (not audio) while its offset exceeds the sample rate.
bool ShowsReceivedFrequencies(const clsSpectrumAnalyser& analyser) { return analyser.FOffset() > analyser.FSampling; }

} // namespace

void SelectSource(clsSpectrumAnalyser& analyser, int32_t source, int32_t tunedFrequency, bool hiSideLoOn)
{
    ScopeSource = source;
    analyser.FStart(0);
    if (source == ScopeSourceEnum::AFOut) {
        analyser.FEnd(analyser.FSampling / 8);
        analyser.SetReverseSpectrum(true);
        analyser.SetFOffset(0);
    } else {
        analyser.FEnd(2 * IFCentreHz);
        analyser.SetReverseSpectrum(hiSideLoOn);
        const double halfSpan = (static_cast<double>(analyser.FEnd()) - analyser.FStart()) / 2;
        analyser.SetFOffset(Numeric::CLng(tunedFrequency / 10.0 - halfSpan));
    }
    FiltersDirty = true;
}

std::string ApplySpectrumGain(clsSpectrumAnalyser& analyser, int32_t sliderMax, int32_t sliderValue,
                              bool autoGainChecked)
{
    if (autoGainChecked)
        return {};
    const float gain = static_cast<float>(std::pow(2.0, sliderMax / 2.0 - sliderValue));
    analyser.Gain = gain;
    return "YGain : " + Format(20 * QELVO::Log10(gain), "#0 dB");
}

std::string CentreToolTip(const clsSpectrumAnalyser& analyser, int32_t centreValue)
{
    return "Center Frequency : " +
           Format(centreValue * static_cast<double>(analyser.HzPerBin()) + analyser.FOffset(), "#,0 Hz");
}

std::string ApplyXRange(clsSpectrumAnalyser& analyser, int32_t widthMin, int32_t widthMax, int32_t widthValue,
                        int32_t centreValue)
{
    const int64_t largest = int64_t{widthMax} - widthMin;
    const int64_t span = std::min(std::max<int64_t>(int64_t{widthValue} - widthMin, MinimumSpan), largest);
    switch (analyser.Mode()) {
    case ScopeModeEnum::Spectrum: {
        const int64_t first = std::max<int64_t>(centreValue - span / 2, 0);
        const int64_t last = std::min<int64_t>(centreValue + static_cast<int64_t>(std::floor(span / 2.0 + 0.5)), largest);
        analyser.StartBin = static_cast<int32_t>(first);
        analyser.StopBin = static_cast<int32_t>(last);
        return "Spectrum Width : " +
               Format(analyser.HzPerBin() / static_cast<double>(Divisions) * (analyser.StopBin - analyser.StartBin),
                      "#,##0 Hz/div");
    }
    case ScopeModeEnum::Scope:
        analyser.ScreenWidth = static_cast<int32_t>(span);
        analyser.StartBin = 0;
        analyser.StopBin = static_cast<int32_t>(span - 1);
        return "Timebase : " +
               Format(1000.0 / Divisions / ReceiveSampleRate * (analyser.StopBin - analyser.StartBin), "00.00 mS/div");
    default:
        return {};
    }
}

double CursorFrequency(const clsSpectrumAnalyser& analyser, double X, bool iqModeOn)
{
    if (analyser.Mode() == ScopeModeEnum::Spectrum)
        return analyser.FrequencyAt(X);
    const double perBin = (iqModeOn ? 2.0 : 1.0) * analyser.HzPerBin();
    const double f = X * perBin + 0.5;
    return ShowsReceivedFrequencies(analyser) ? f + analyser.FOffset() : f;
}

const char* ReadoutPicture(const clsSpectrumAnalyser& analyser)
{
    return ShowsReceivedFrequencies(analyser) ? "#0 000 000" : "###0";
}

std::string ReadoutCaption(const clsSpectrumAnalyser& analyser, const std::string& tag,
                           std::optional<int32_t> wheelStep)
{
    std::string caption = Format(Numeric::Val(tag), ReadoutPicture(analyser));
    if (wheelStep)
        caption += " : " + Format(*wheelStep, "###0");
    return caption;
}

std::optional<int32_t> WheelStepAt(double Y, double scaleHeight)
{
    if (scaleHeight == 0 || !std::isfinite(Y))
        return std::nullopt;
    const double tenths = std::floor(std::clamp(10 * Y / std::fabs(scaleHeight) + 0.5, -1E6, 1E6));
    return std::max(MinimumWheelStep, static_cast<int32_t>(100 * tenths));
}

double ApplyWheelStep(clsVFO& vfo, int32_t stepHz)
{
    vfo.TuneStep(stepHz * 10.0);
    vfo.TuneStepLSD(vfo.TuneStep());
    return vfo.TuneStep();
}

bool ClickToTune(const clsSpectrumAnalyser& analyser, int button, const std::string& tag, bool iqSelectUpper,
                 int32_t loOffsetHz, clsVFO& vfo)
{
    if (!ShowsReceivedFrequencies(analyser) || (button & 1) == 0)
        return false;
    const double hertz = std::floor(std::clamp(Numeric::Val(tag) + 0.5, -1E12, 1E12));
    int64_t tenths = static_cast<int64_t>(hertz) * 10;
    if (iqSelectUpper)
        tenths -= 20 * int64_t{loOffsetHz};
    const int64_t lowest = int64_t{vfo.RXMinFreq()} * 10;
    const int64_t highest = int64_t{vfo.RxMaxFreq()} * 10;
    vfo.TunedFrequency(static_cast<int32_t>(std::clamp(tenths, std::min(lowest, highest), highest)));
    return true;
}


ModeLayout SwitchMode(clsSpectrumAnalyser& analyser, int32_t mode)
{
    analyser.Mode(mode);
    ModeLayout layout;
    switch (mode) {
    case ScopeModeEnum::Spectrum:
        layout.channelSwitches = layout.yMode = layout.sweep = layout.spectrumControls = true;
        layout.sweepCaption = "Sweep";
        layout.divisionCaption = "Hz/Div";
        layout.widthFormat = "#,###";
        break;
    case ScopeModeEnum::Scope:
        layout.channelSwitches = layout.sweep = layout.triggerSwitches = layout.triggerCaptions = true;
        layout.sweepCaption = "Timebase";
        layout.divisionCaption = "ms/Div";
        layout.widthFormat = "0.000";
        break;
    default:
        layout.triggerCaptions = true;
        break;
    }
    if (mode == ScopeModeEnum::Scope || mode == ScopeModeEnum::Phase) {
        analyser.FastMode(true);
        analyser.LogMode(false);
    }
    layout.linearChecked = !analyser.LogMode();
    layout.fastChecked = analyser.FastMode();
    layout.chn1On = analyser.Chn1Enabled();
    layout.chn2On = analyser.Chn2Enabled();
    layout.chn1Trig = analyser.Chn1Trig();
    layout.chn2Trig = analyser.Chn2Trig();
    layout.chn1Gain = analyser.Chn1Gain();
    layout.chn2Gain = analyser.Chn2Gain();
    layout.chn1Shift = analyser.Chn1Shift();
    layout.chn2Shift = analyser.Chn2Shift();
    // The shifts' offsets follow the new mode's scale.
    analyser.Chn1Shift(layout.chn1Shift);
    analyser.Chn2Shift(layout.chn2Shift);
    return layout;
}

void ApplyLinearScale(clsSpectrumAnalyser& analyser, int checkValue)
{
    if (checkValue == 0)
        analyser.LogMode(true);
    else if (checkValue == 1)
        analyser.LogMode(false);
    analyser.Mode(analyser.Mode());
}

bool ApplyFastDisplay(clsSpectrumAnalyser& analyser, bool checked)
{
    analyser.SmoothSpectrum = !checked;
    analyser.FastMode(checked);
    return !checked;
}

double ReadoutLeft(double X, double pictureLeft, double pictureScaleWidth, double labelWidth)
{
    const double left = X + 17;
    const double rightmost = pictureLeft + pictureScaleWidth - labelWidth;
    return rightmost < left ? rightmost : left;
}

} // namespace ScopeControls
