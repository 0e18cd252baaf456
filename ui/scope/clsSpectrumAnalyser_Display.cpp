#include "ui/scope/clsSpectrumAnalyser.h"

#include "core/BusyGuard.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "dsp/QELVO.h"
#include "dsp/VectorLib.h"
#include "ui/common/PictureBox.h"

#include <algorithm>
#include <cmath>

namespace {

// Copies up to n values; a shorter source leaves the rest of the destination as it was.
int32_t Available(size_t have, int32_t n) { return static_cast<int32_t>(std::min<size_t>(have, static_cast<size_t>(n))); }

} // namespace

int32_t clsSpectrumAnalyser::init()
{
    Points = Numeric::CLng(std::pow(2.0, Order));
    Gain = 1.0f;
    const size_t size = static_cast<size_t>(Points) + 1;
    for (std::vector<float>* buffer : {&y1Samples_, &y2Samples_, &fftRe_, &fftIm_, &y1Display_, &y2Display_,
                                       &filterCurveLin_, &filterCurveLog_})
        buffer->assign(size, 0.0f);
    iqPower_.assign(static_cast<size_t>(Points), 0.0f);
    // The filter curve's transform reads Points taps: room for them whatever the size.
    filterTaps_.assign(static_cast<size_t>(std::max(Points, FilterTapCount)), 0.0f);
    SpectrumFFT = std::make_unique<clsFFTReal>();
    SpectrumFFT->Points = Points;
    SpectrumFFT->FFTInit(SpectrumFFT->Points);
    SpectrumWidth = FSampling / 2;
    hzPerBin_ = static_cast<float>(static_cast<double>(SpectrumWidth) / Points * 2);
    StartBin = Numeric::CLng(fStart_ / static_cast<double>(hzPerBin_));
    StopBin = Numeric::CLng(fEnd_ / static_cast<double>(hzPerBin_));
    SetupAxes();
    Initialised = true;
    return 0;
}

int32_t clsSpectrumAnalyser::LoadSamples_INT16(std::span<const int16_t> Y1, std::span<const int16_t> Y2)
{
    if (active_)
        LoadInt16(Y1, Y2);
    return 0;
}

void clsSpectrumAnalyser::LoadInt16(std::span<const int16_t> Y1, std::span<const int16_t> Y2)
{
    if (!SpectrumFFT)
        return;
    VectorLib::Int16ToFloat_S_2(Y1.data(), y1Samples_.data(), Available(Y1.size(), SpectrumFFT->Points));
    VectorLib::Int16ToFloat_S_2(Y2.data(), y2Samples_.data(), Available(Y2.size(), SpectrumFFT->Points));
}

void clsSpectrumAnalyser::LoadSamples_S(std::span<const float> Y1, std::span<const float> Y2)
{
    if (!active_ || !SpectrumFFT)
        return;
    QELVO::Copy_S(Y1.data(), y1Samples_.data(), Available(Y1.size(), SpectrumFFT->Points));
    QELVO::Copy_S(Y2.data(), y2Samples_.data(), Available(Y2.size(), SpectrumFFT->Points));
}

// The curve drawn over the spectrum: the power response of the taps, lifted above 1 so that
// its logarithm is positive, scaled to the current mode's Y maximum.
void clsSpectrumAnalyser::LoadFilterCoeffs_T_S(std::span<const float> Coeffs)
{
    if (!SpectrumFFT)
        return;
    std::fill(filterTaps_.begin(), filterTaps_.end(), 0.0f);
    QELVO::Copy_S(Coeffs.data(), filterTaps_.data(), Available(Coeffs.size(), FilterTapCount));
    QELVO::VecMpy_S_1(LogMode() ? 12.0f : YScaleMax(), filterTaps_.data(), FilterTapCount);
    SpectrumFFT->FFT_Real_S_2(filterTaps_, fftRe_, fftIm_);
    const int32_t bins = SpectrumFFT->Points / 2;
    VectorLib::PowerSpectrum_S_2(fftRe_.data(), fftIm_.data(), filterCurveLin_.data(), bins);
    VectorLib::Add_S_1(1.01f, filterCurveLin_.data(), bins);
    for (int32_t k = 0; k < bins; ++k)
        filterCurveLog_[static_cast<size_t>(k)] = static_cast<float>(std::log(filterCurveLin_[static_cast<size_t>(k)]) / 2.30258509299405);
    QELVO::VecMpy_S_1(YScaleMax() * (LogMode() ? 0.89f : 0.9f), filterCurveLog_.data(), bins);
}

// Magnitudes in decibels; one of 0 or below has none and is refused with an error.
int32_t clsSpectrumAnalyser::LoadFilterCoeffs_F_S(std::span<const float> Coeffs)
{
    if (!Initialised)
        return 0;
    const int32_t n = Available(Coeffs.size(), Points);
    QELVO::Copy_S(Coeffs.data(), filterCurveLin_.data(), n);
    for (int32_t i = 0; i < n; ++i) {
        const float value = filterCurveLin_[static_cast<size_t>(i)];
        if (!(value > 0))
            throw RuntimeError(5, "Invalid procedure call or argument", "clsSpectrumAnalyser.LoadFilterCoeffs_F_S");
        filterCurveLog_[static_cast<size_t>(i)] = static_cast<float>(20 * std::log(value) / 2.30258509299405);
    }
    return 0;
}

int32_t clsSpectrumAnalyser::Display()
{
    if (displayBusy_)
        return 0;
    BusyGuard busy(displayBusy_);
    BusyGuard inDisplay(InDisplay);
    return Display_S(y2Samples_);
}

int32_t clsSpectrumAnalyser::Display_I16(std::span<const int16_t> Y1, std::span<const int16_t> Y2)
{
    LoadInt16(Y1, Y2);
    return Display_S(y2Samples_);
}

int32_t clsSpectrumAnalyser::DisplayFrozen()
{
    Redraw();
    return 0;
}

int32_t clsSpectrumAnalyser::Display_S(std::span<const float> Y2)
{
    if (!active_ || displaySBusy_ || !SpectrumFFT)
        return 0;
    BusyGuard busy(displaySBusy_);
    switch (Mode()) {
    case ScopeModeEnum::Spectrum:
        if (iqMode_)
            PrepareTwoSidedSpectrum(Y2);
        else
            PrepareSpectrum(Y2);
        break;
    case ScopeModeEnum::Scope:
        PrepareScope(Y2);
        break;
    case ScopeModeEnum::Phase:
        QELVO::Copy_S(y1Samples_.data(), y1Display_.data(), SpectrumFFT->Points);
        QELVO::Copy_S(Y2.data(), y2Display_.data(), Available(Y2.size(), SpectrumFFT->Points));
        break;
    default:
        break;
    }
    Redraw();
    return 0;
}

void clsSpectrumAnalyser::PowerOf(std::span<const float> samples, float* power)
{
    SpectrumFFT->FFT_Real_S_2(samples.first(static_cast<size_t>(SpectrumFFT->Points)), fftRe_, fftIm_);
    VectorLib::PowerSpectrum_S_2(fftRe_.data(), fftIm_.data(), power, SpectrumFFT->Points / 2);
}

void clsSpectrumAnalyser::PrepareSpectrum(std::span<const float> Y2)
{
    if (Chn1Enabled())
        PowerOf(y1Samples_, y1Display_.data());
    if (Chn2Enabled() && Y2.size() >= static_cast<size_t>(SpectrumFFT->Points))
        PowerOf(Y2, y2Display_.data());
}

// The two-sided view of an I/Q receiver: channel 2's half spectrum mirrored on the left,
// channel 1's on the right, every second bin of each.
void clsSpectrumAnalyser::PrepareTwoSidedSpectrum(std::span<const float> Y2)
{
    const int32_t p = SpectrumFFT->Points;
    if (Y2.size() < static_cast<size_t>(p))
        return;
    PowerOf(Y2, iqPower_.data());
    PowerOf(y1Samples_, iqPower_.data() + p / 2);
    for (int32_t i = 0; i < p / 4; ++i)
        y1Display_[static_cast<size_t>(i)] = iqPower_[static_cast<size_t>(p / 2 - 2 * i)];
    for (int32_t i = p / 4; i < p / 2; ++i)
        y1Display_[static_cast<size_t>(i)] = iqPower_[static_cast<size_t>(p / 2 + 2 * (i - p / 4))];
}

// The trigger is the first rising crossing of zero (strictly below, then strictly above)
// of the trigger channel that leaves a whole screen of samples after it.
void clsSpectrumAnalyser::PrepareScope(std::span<const float> Y2)
{
    const int32_t p = SpectrumFFT->Points;
    if (Chn1Enabled())
        QELVO::Copy_S(y1Samples_.data(), y1Display_.data(), p);
    if (Chn2Enabled())
        QELVO::Copy_S(Y2.data(), y2Display_.data(), Available(Y2.size(), p));
    const int16_t channel = TriggerChn();
    if (channel != 1 && channel != 2)
        return;
    const std::vector<float>& searched = channel == 1 ? y1Display_ : y2Display_;
    TrigBin = 0;
    for (int32_t i = 0; i < p - ScreenWidth; ++i) {
        if (searched[static_cast<size_t>(i)] < 0 && searched[static_cast<size_t>(i) + 1] > 0) {
            TrigBin = i;
            break;
        }
    }
    StartBin = TrigBin;
    StopBin = StartBin + ScreenWidth - 1;
}

// Draws the frame into the hidden box and then shows it.
void clsSpectrumAnalyser::Redraw()
{
    const bool intoDisplay1 = drawOnDisplay1_;
    drawOnDisplay1_ = !drawOnDisplay1_;
    if (!picDisplay0_ || !picDisplay1_)
        return;
    PictureBox& target = intoDisplay1 ? *picDisplay1_ : *picDisplay0_;
    DrawGraticule(target);
    DrawSpectrum(target);
    if (intoDisplay1) {
        picDisplay0_->setVisible(false);
        picDisplay1_->setVisible(true);
    } else {
        picDisplay0_->setVisible(true);
        picDisplay1_->setVisible(false);
    }
}
