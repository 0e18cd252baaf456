#include "ui/scope/clsSpectrumAnalyser.h"

#include "core/DoEvents.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "dsp/FilterObjects.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "dsp/VectorLib.h"
#include "ui/common/PictureBox.h"

#include <algorithm>

namespace {

constexpr int32_t PumpEvery = 64;   // points drawn between two looks at the message queue

// Lets the receive chain take a block that arrived during a long redraw before drawing on.
void PumpAt(int32_t k)
{
    if (k % PumpEvery != 0)
        return;
    DoEvents();
    WaitForReceiveChain();
}

} // namespace

// The samples a frame may touch: the display arrays hold indices 0 to Points.
int32_t clsSpectrumAnalyser::SamplesAvailable() const { return SpectrumFFT ? SpectrumFFT->Points : 0; }

// The spectrum's bins, held inside the arrays (one beyond the last is read by the offsets).
void clsSpectrumAnalyser::ShownBins(int32_t& from, int32_t& to) const
{
    const int32_t last = std::max(0, SamplesAvailable() - 1);
    from = std::clamp(StartBin, int32_t{0}, last);
    to = std::clamp(StopBin, from, last);
}

// Smooths, offsets and scales the display values of the frame and draws them by mode.
// Afterwards the display arrays hold what was drawn.
int32_t clsSpectrumAnalyser::DrawSpectrum(PictureBox& pic)
{
    if (!SpectrumFFT)
        return 0;
    if (ScreenWidth < 1)
        ScreenWidth = StopBin - StartBin;
    if (!FastMode() && !Freeze) {
        if (Chn1Enabled())
            SmoothChannel(y1Display_.data(), smoothHistory1_);
        if (Chn2Enabled())
            SmoothChannel(y2Display_.data(), smoothHistory2_);
    }
    if (!AutoGain && !Freeze) {
        if (Chn1Enabled())
            OffsetAndGain(y1Display_.data(), Chn1Gain(), Record().Chn1Offset);
        if (Chn2Enabled())
            OffsetAndGain(y2Display_.data(), Chn2Gain(), Record().Chn2Offset);
    }
    switch (Mode()) {
    case ScopeModeEnum::Spectrum:
        DrawSpectrumTraces(pic);
        break;
    case ScopeModeEnum::Scope:
        DrawScopeTraces(pic);
        break;
    case ScopeModeEnum::Phase:
        DrawPhaseTrace(pic);
        break;
    default:
        return 0;
    }
    pic.SetAutoRedraw(false);
    pic.ZOrder(0);
    return 0;
}

// A weighted mean over the last K frames, the newest weighing 1/K and the oldest 1. K is
// held to what the history can keep.
void clsSpectrumAnalyser::SmoothChannel(float* display, std::vector<float>& history)
{
    const int32_t bins = SpectrumFFT->Points / 2;
    if (bins < 1)
        return;
    const int32_t kept = std::clamp(spectrumSmooth_, int32_t{1}, SmoothHistorySize / bins);
    const double divider = kept == spectrumSmooth_ ? SmoothDivider : (kept + 1) / 2.0;
    QELVO::Copy_S(history.data(), history.data() + bins, (kept - 1) * bins);
    QELVO::Copy_S(display, history.data(), bins);
    QELVO::Zero_S(display, bins);
    for (int32_t j = 0; j < kept; ++j) {
        const float weight = static_cast<float>(static_cast<double>(j + 1) / kept / divider);
        const float* frame = history.data() + static_cast<size_t>(j) * bins;
        for (int32_t k = 0; k < bins; ++k)
            display[k] += frame[k] * weight;
    }
}

// The offset and gain applied before drawing: to the shown bins in the linear spectrum
// (the gain stops short of the last one), to the scope's screen from the trigger.
void clsSpectrumAnalyser::OffsetAndGain(float* display, float gain, float offset)
{
    const int32_t limit = SamplesAvailable() + 1;
    auto run = [&](int32_t from, int32_t count, auto operation) {
        from = std::clamp(from, int32_t{0}, limit);
        count = std::clamp(count, int32_t{0}, limit - from);
        operation(display + from, count);
    };
    auto multiply = [&](float* values, int32_t n) { QELVO::VecMpy_S_1(gain, values, n); };
    auto add = [&](float* values, int32_t n) { VectorLib::Add_S_1(offset, values, n); };
    if (Mode() == ScopeModeEnum::Spectrum) {
        if (LogMode())
            return;
        if (gain != 1)
            run(StartBin, StopBin - StartBin, multiply);
        run(StartBin, StopBin - StartBin + 1, add);
        return;
    }
    if (gain != 1)
        run(TrigBin, ScreenWidth, multiply);
    run(TrigBin, ScreenWidth, add);
}

void clsSpectrumAnalyser::DrawSpectrumTraces(PictureBox& pic)
{
    pic.SetAutoRedraw(true);
    pic.SetCurrentX(0);
    pic.SetForeColor(static_cast<uint32_t>(Y1Colour));
    int32_t from = 0, to = 0;
    ShownBins(from, to);
    if (StopBin != StartBin)
        xStep_ = pic.ScaleWidth() / (static_cast<double>(StopBin) - StartBin);
    if (Chn1Enabled())
        DrawSpectrumChannel(pic, y1Display_.data(), Chn1Gain(), Record().Chn1Offset, Y1Colour);
    if (Chn2Enabled())
        DrawSpectrumChannel(pic, y2Display_.data(), Chn2Gain(), Record().Chn2Offset, Y2Colour);
    if (showFilter_) {
        pic.SetForeColor(static_cast<uint32_t>(filterCurveColour_));
        pic.SetDrawWidth(1);
        pic.SetDrawStyle(PictureBox::Solid);
        pic.SetCurrentX(0);
        if (iqMode_)
            DrawPassband(pic);
        else
            DrawFilterCurve(pic);
        pic.SetDrawWidth(1);
        pic.SetDrawStyle(PictureBox::Solid);
    }
    if (showNotch_)
        DrawNotch(pic);
}

// Visits the shown bins in drawing order: StopBin at the left unless the spectrum is reversed.
template <typename Visit>
void VisitBins(int32_t from, int32_t to, bool reverse, Visit visit)
{
    if (reverse)
        for (int32_t k = from; k <= to; ++k)
            visit(k);
    else
        for (int32_t k = to; k >= from; --k)
            visit(k);
}

// In the logarithmic display powers become decibel tenths (a power below 1 counts as 1),
// lowered by a third of the scale; offset and gain act again in both displays, except
// on a frozen frame, which already holds what was drawn.
void clsSpectrumAnalyser::DrawSpectrumChannel(PictureBox& pic, float* display, float gain, float offset,
                                              int32_t colour)
{
    int32_t from = 0, to = 0;
    ShownBins(from, to);
    const int32_t count = to - from + 2;
    if (!Freeze) {
        if (LogMode()) {
            for (int32_t k = from; k <= to; ++k)
                display[k] = std::max(0.0f, static_cast<float>(QELVO::Log10(display[k])));
            VectorLib::Add_S_1(offset - YScaleMax() / 3, display + from, count);
        } else {
            VectorLib::Add_S_1(offset, display + from, count);
        }
        QELVO::VecMpy_S_1(gain, display + from, count);
    }
    pic.SetForeColor(static_cast<uint32_t>(colour));
    pic.SetCurrentX(0);
    pic.SetCurrentY(display[reverseSpectrum_ ? from : to]);
    double x = 0;
    VisitBins(from, to, reverseSpectrum_, [&](int32_t k) {
        pic.LineTo(x, display[k]);
        x += xStep_;
        PumpAt(k);
    });
}

// The filter's response over the same bins, each point one step right of the trace's.
void clsSpectrumAnalyser::DrawFilterCurve(PictureBox& pic)
{
    int32_t from = 0, to = 0;
    ShownBins(from, to);
    const bool logarithmic = LogMode();
    const float gain = logarithmic ? 1.0f : Chn1Gain();
    const std::vector<float>& curve = logarithmic ? filterCurveLog_ : filterCurveLin_;
    const float offset = Record().Chn1Offset;
    pic.SetCurrentY(curve[static_cast<size_t>(reverseSpectrum_ ? from : to)] + offset);
    double x = 0;
    VisitBins(from, to, reverseSpectrum_, [&](int32_t k) {
        x += xStep_;
        pic.LineTo(x, curve[static_cast<size_t>(k)] * gain + offset);
        PumpAt(k);
    });
}

// An I/Q receiver's IF pass band as a box over the full height, drawn so that it shows on
// whatever is under it. The two-sided view has half the X step per hertz.
void clsSpectrumAnalyser::DrawPassband(PictureBox& pic)
{
    if (StopBin != StartBin)
        xStep_ = pic.ScaleWidth() / (static_cast<double>(StopBin) - StartBin) / 2;
    if (hzPerBin_ != 0) {
        const double edge = reverseSpectrum_ ? IFFilter.FLow : 24000.0 - IFFilter.FHigh;
        passbandWidth_ = hzPerBin_ * 2.0 * (static_cast<double>(IFFilter.FHigh) - IFFilter.FLow) /
                         pic.ScaleWidth() * xStep_;
        passbandLeft_ = 2 * xStep_ * (edge / (2.0 * hzPerBin_) - StartBin);
    }
    pic.SetDrawMode(PictureBox::NotXorPen);
    pic.SetDrawWidth(1);
    pic.Box(passbandLeft_, pic.ScaleTop(), passbandLeft_ + passbandWidth_, pic.ScaleTop() + pic.ScaleHeight());
    pic.SetDrawMode(PictureBox::CopyPen);
}

// A vertical line at the notch centre, as wide as the notch (at least one pixel).
void clsSpectrumAnalyser::DrawNotch(PictureBox& pic)
{
    pic.SetForeColor(static_cast<uint32_t>(notchFilterColour_));
    TryStep([&] {
        pic.SetDrawWidth(std::max(1, Numeric::CLng(NotchFilterWidth * 1.2 * hzPerBin_ / pic.ScaleWidth() * xStep_)));
    });
    pic.SetDrawMode(PictureBox::NotXorPen);
    if (hzPerBin_ != 0) {
        TryStep([&] {
            const double centreBins = NotchFilterCenter / static_cast<double>(hzPerBin_) * xStep_;
            notchX_ = Numeric::CLng(reverseSpectrum_ ? centreBins - xStep_ * StartBin : xStep_ * StopBin - centreBins);
        });
    }
    pic.Line(notchX_, pic.ScaleTop(), notchX_, pic.ScaleTop() + pic.ScaleHeight());
    pic.SetDrawWidth(1);
    pic.SetDrawMode(PictureBox::CopyPen);
}

// ScreenWidth + 1 samples from the trigger across the width; the last lies one step beyond
// the right edge. A screen wider than the samples is drawn as far as they go.
void clsSpectrumAnalyser::DrawScopeTraces(PictureBox& pic)
{
    pic.SetAutoRedraw(true);
    const int32_t first = std::clamp(TrigBin, int32_t{0}, SamplesAvailable());
    const int32_t last = std::clamp(first + ScreenWidth, first, SamplesAvailable());
    if (ScreenWidth != 1)
        xStep_ = pic.ScaleWidth() / (ScreenWidth - 1.0);
    auto trace = [&](const std::vector<float>& display, int32_t colour) {
        pic.SetCurrentX(0);
        pic.SetCurrentY(display[static_cast<size_t>(first)]);
        pic.SetForeColor(static_cast<uint32_t>(colour));
        double x = 0;
        for (int32_t k = first; k <= last; ++k) {
            pic.LineTo(x, display[static_cast<size_t>(k)]);
            x += xStep_;
            PumpAt(k);
        }
    };
    pic.SetForeColor(static_cast<uint32_t>(Y1Colour));
    if (Chn1Enabled())
        trace(y1Display_, Y1Colour);
    if (Chn2Enabled())
        trace(y2Display_, Y2Colour);
}

// Channel 2 across, channel 1 up, in the colour the graticule leaves.
void clsSpectrumAnalyser::DrawPhaseTrace(PictureBox& pic)
{
    pic.SetAutoRedraw(true);
    const int32_t from = std::clamp(StartBin, int32_t{0}, SamplesAvailable());
    const int32_t to = std::clamp(StopBin, from, SamplesAvailable());
    pic.SetCurrentY(y1Display_[static_cast<size_t>(from)]);
    pic.SetCurrentX(y2Display_[static_cast<size_t>(from)]);
    for (int32_t k = from + 1; k <= to - 1; ++k) {
        pic.LineTo(y2Display_[static_cast<size_t>(k)], y1Display_[static_cast<size_t>(k)]);
        PumpAt(k);
    }
}
