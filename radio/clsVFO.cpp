#include "radio/clsVFO.h"

#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/frmLog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// The largest value in hertz whose tenths still fit 32 bits.
constexpr int32_t HertzLimit = std::numeric_limits<int32_t>::max() / 10;
constexpr double LargestFrequency = std::numeric_limits<int32_t>::max();

void LogSkippedStep(const char* routine, const std::exception& error)
{
    AddLog(std::string("clsVFO.") + routine + ":Skipped a failing step Description=" + error.what());
}

} // namespace

clsVFO::clsVFO() = default;

clsVFO::~clsVFO()
{
    TryStep([this] { SaveSettings(); });
    if (oscType_ && oscType_->Parent() == this)
        oscType_->Parent(nullptr);
}

int32_t clsVFO::TenthsOf(int32_t hertz) { return std::clamp(hertz, -HertzLimit, HertzLimit) * 10; }

int32_t clsVFO::WholeHertz(int32_t tenths) { return static_cast<int32_t>(std::floor(tenths / 10.0 + 0.5)); }

std::string clsVFO::FormattedTunedFreq() const { return Format(TunedFrequency(), "000000000"); }

void clsVFO::TuneStep(double tenths)
{
    if (tuneStepLock_)
        return;
    tuneStep_ = tenths;
    TuneStepLSD(tenths);
}

void clsVFO::TuneStepLSD(double tenths)
{
    if (tuneStepLock_)
        return;
    tuneStepLSD_ = std::min(tenths, 10000.0);
}

void clsVFO::OscMultiplier(int32_t multiplier)
{
    oscMultiplier_ = multiplier;
    UpdateFreqScaling();
}

void clsVFO::PLLMultiplier(int32_t multiplier)
{
    pllMultiplier_ = multiplier;
    UpdateFreqScaling();
}

void clsVFO::UpdateFreqScaling()
{
    if (!oscType_)
        throw RuntimeError(91, "The VFO has no oscillator driver to pass the multipliers to", "clsVFO");
    if (pllMultiplier_ == 0)
        throw RuntimeError(11, "Division by zero: the PLL multiplier is 0", "clsVFO");
    oscType_->FreqScaling(Numeric::CSng(static_cast<double>(oscMultiplier_) / pllMultiplier_));
}

int32_t clsVFO::ImageOffsetHz() const
{
    if (!IQModeOn)
        return 0;
    return IQSelectUpper ? IFFrequency() : -IFFrequency();
}

int32_t clsVFO::TunedFrequency() const
{
    if (IQModeOn && IQSelectUpper)
        return static_cast<int32_t>(int64_t{tunedFrequency_} + 2 * int64_t{ifFrequency_});
    return tunedFrequency_;
}

void clsVFO::TunedFrequency(int32_t tenths)
{
    if (tunedFrequencyBusy_)
        return;
    BusyGuard guard(tunedFrequencyBusy_);
    const int64_t asked = std::llabs(int64_t{tenths});
    tunedFrequency_ = static_cast<int32_t>(std::min<int64_t>(asked, std::numeric_limits<int32_t>::max()));
    ClampToReceiverLimits(ReceiverLimitsReachable(DriverRange()));
    RefreshOnSideOf(asked);
}

void clsVFO::TunedFrequencyFromStored(int32_t tenths)
{
    if (tunedFrequencyBusy_ || refreshBusy_)
        return;
    BusyGuard injectionSide(retuneOnInjectionSide_);
    TunedFrequency(tenths);
}

clsVFO::OscillatorRange clsVFO::DriverRange() const
{
    // A frequency too large for 32 bits counts as beyond the range.
    OscillatorRange range{0, LargestFrequency};
    if (!oscType_)
        return range;
    const auto log = [](const std::exception& error) { LogSkippedStep("Refresh", error); };
    TryStep([&] { range.max = std::min(oscType_->MaxFreq(), LargestFrequency); }, log);
    TryStep([&] { range.min = oscType_->MinFreq(); }, log);
    return range;
}

// The oscillator produces the tuned frequencies t >= 0 where |ratio x (t + offset)| lies
// within its range: two bands, one on either side of the IF, each of which may lie below 0.
bool clsVFO::ReceiverLimitsReachable(const OscillatorRange& range) const
{
    const double ratio = pllMultiplier_ == 0 ? 0 : std::fabs(static_cast<double>(oscMultiplier_) / pllMultiplier_);
    if (ratio == 0)
        return true;
    const double nearest = std::max(range.min, 0.0) / ratio;
    const double farthest = range.max / ratio;
    const auto sideOffset = static_cast<double>(OffsetFrom(0));
    const double bands[2][2] = {{nearest - sideOffset, farthest - sideOffset},
                                {-farthest - sideOffset, -nearest - sideOffset}};
    bool reachesAny = false;
    for (const auto& band : bands) {
        if (band[0] > band[1] || band[1] < 0)
            continue;
        reachesAny = true;
        if (band[0] <= rxMaxFreq_ && band[1] >= rxMinFreq_)
            return true;
    }
    return !reachesAny;
}

void clsVFO::ClampToReceiverLimits(bool limitsReachable)
{
    if (!limitsReachable) {
        // No frequency within the receiver's limits reaches the oscillator's range: the
        // oscillator's limits alone hold the tuned frequency, so that a step towards its
        // range moves it.
        tunedFrequency_ = std::max(tunedFrequency_, 0);
        return;
    }
    if (tunedFrequency_ > rxMaxFreq_)
        tunedFrequency_ = rxMaxFreq_;
    if (tunedFrequency_ < rxMinFreq_)
        tunedFrequency_ = rxMinFreq_;
}

// Two tuned frequencies give each oscillator frequency: one where tuned + calibration +/- IF
// is positive, one where it is negative. The one on the side of offsetSign is taken unless
// it is negative, or it lies beyond reachable receiver's limits while the other one lies
// within them; then the other one, and 0 when both are negative (for a positive offsetSign
// the other one is then negative as well).
void clsVFO::RetuneTo(double oscillator, double ratio, int64_t offsetSign, bool limitsReachable)
{
    const auto sideOffset = static_cast<double>(OffsetFrom(0));
    const double distance = oscillator / ratio;
    const double onSide = static_cast<double>(offsetSign) * distance - sideOffset;
    const double across = -static_cast<double>(offsetSign) * distance - sideOffset;
    const auto withinLimits = [this](double tuned) { return tuned >= rxMinFreq_ && tuned <= rxMaxFreq_; };
    const bool takeAcross = onSide < 0 || (limitsReachable && !withinLimits(onSide) && withinLimits(across));
    tunedFrequency_ = Numeric::CLng(std::max(takeAcross ? across : onSide, 0.0));
}

void clsVFO::Refresh() { RefreshOnSideOf(tunedFrequency_); }

int64_t clsVFO::OffsetFrom(int64_t tuned) const
{
    return tuned + calibOffset_ + (hiSideLo_ ? ifFrequency_ : -int64_t{ifFrequency_});
}

void clsVFO::RefreshOnSideOf(int64_t asked)
{
    if (refreshBusy_)
        return;
    BusyGuard guard(refreshBusy_);
    const auto log = [](const std::exception& error) { LogSkippedStep("Refresh", error); };

    const OscillatorRange range = DriverRange();
    const bool limitsReachable = ReceiverLimitsReachable(range);
    ClampToReceiverLimits(limitsReachable);
    if (pllMultiplier_ == 0) {
        AddLog("clsVFO.Refresh:PLL multiplier 0, nothing sent");
        return;
    }
    const double exactRatio = static_cast<double>(oscMultiplier_) / pllMultiplier_;
    const float ratio = static_cast<float>(exactRatio);
    const int64_t offset = OffsetFrom(tunedFrequency_);
    // The side of the IF is the one of the frequency asked for: the receiver's limits may
    // have moved it across the IF, and the oscillator's limit then would send it back on the
    // other side, where the next step or refresh finds it moved. Where that side's frequency
    // at the oscillator's limit lies beyond the receiver's limits, the next step would find it
    // moved back within them, so the other side's is taken where it lies within.
    const int64_t offsetSign = OffsetFrom(asked) < 0 && !retuneOnInjectionSide_ ? -1 : 1;
    // Rounded (halves to even) before it is held to the driver's range, so that a value
    // which rounds onto the limit stays where it is tuned.
    double oscillator = std::nearbyint(std::fabs(static_cast<double>(ratio) * static_cast<double>(offset)));

    // Beyond the driver's range the oscillator stays at the limit and the tuned frequency
    // follows it.
    if (oscillator > range.max) {
        oscillator = std::nearbyint(range.max);
        TryStep([&] { RetuneTo(oscillator, exactRatio, offsetSign, limitsReachable); }, log);
    }
    if (oscType_ && oscillator < range.min) {
        oscillator = std::nearbyint(range.min);
        TryStep([&] { RetuneTo(oscillator, exactRatio, offsetSign, limitsReachable); }, log);
    }
    TryStep([&] { oscOut_ = Numeric::CLng(oscillator); }, log);
    if (oscType_)
        TryStep([&] { oscType_->SetFrequency(oscOut_); }, log);
}

void clsVFO::RefreshFromStored()
{
    if (refreshBusy_)
        return;
    BusyGuard injectionSide(retuneOnInjectionSide_);
    Refresh();
}

double clsVFO::Inc_Freq(double Increment)
{
    if (incFreqBusy_)
        return 0;
    BusyGuard guard(incFreqBusy_);
    const double step = Increment != 0 ? Increment : tuneStep_;
    TryStep(
        [&] {
            // Without a grid the step starts from the tuned frequency as it is.
            const double grid = SnappingGrid(step);
            double snapped = tunedFrequency_;
            if (grid != 0)
                snapped = std::floor(tunedFrequency_ / grid + 0.5) * grid;
            tunedFrequency_ = Numeric::CLng(snapped + step);
        },
        [](const std::exception& error) { LogSkippedStep("Inc_Freq", error); });
    Refresh();
    return tunedFrequency_;
}

// The grid a step starts from: TuneStepLSD, or the step's own size where the step is finer.
// A step finer than the grid would otherwise be snapped away: from a grid point 100 Hz up
// lands beside it, and the next 100 Hz up snaps back to the same point (or below it).
double clsVFO::SnappingGrid(double step) const
{
    const double size = std::fabs(step);
    return size != 0 && size < std::fabs(tuneStepLSD_) ? size : tuneStepLSD_;
}

double clsVFO::Dec_Freq(double Decrement)
{
    if (decFreqBusy_)
        return 0;
    BusyGuard guard(decFreqBusy_);
    const double step = Decrement != 0 ? Decrement : tuneStep_;
    return Inc_Freq(-std::fabs(step));
}

void clsVFO::SaveSettings() const
{
    if (name_.empty())
        return;
    using Numeric::BoolText;
    using Numeric::Str;
    Settings::SaveSetting(name_, "IFFrequency", Str(IFFrequency()));
    Settings::SaveSetting(name_, "HiSideLo", BoolText(hiSideLo_));
    Settings::SaveSetting(name_, "AutoUpdate", BoolText(autoUpdate_));
    Settings::SaveSetting(name_, "TunedFrequency", Str(tunedFrequency_));
    Settings::SaveSetting(name_, "TuneStep", Str(tuneStep_));
    Settings::SaveSetting(name_, "OscMultiplier", Str(oscMultiplier_));
    Settings::SaveSetting(name_, "PLLMultiplier", Str(pllMultiplier_));
    Settings::SaveSetting(name_, "CalibOffset", Str(CalibOffset()));
    Settings::SaveSetting(name_, "DDSInterfaceType", Str(ddsInterfaceType_));
}

template <typename Apply>
void clsVFO::RestoreKey(const char* key, Apply apply)
{
    Settings::RestoreSetting(name_, key, apply, "clsVFO.RestoreSettings");
}

void clsVFO::RestoreSettings()
{
    const auto multiplier = [](const std::string& text) {
        const int32_t value = Numeric::CLng(text);
        if (value == 0)
            throw RuntimeError(380, "A multiplier of 0 is not allowed");
        return value;
    };
    RestoreKey("IFFrequency", [this](const std::string& text) { IFFrequency(Numeric::CLng(text)); });
    RestoreKey("HiSideLo", [this](const std::string& text) { HiSideLo(Numeric::CBool(text)); });
    RestoreKey("AutoUpdate", [this](const std::string& text) { AutoUpdate(Numeric::CBool(text)); });
    RestoreKey("TunedFrequency", [this](const std::string& text) { tunedFrequency_ = Numeric::CLng(text); });
    RestoreKey("TuneStep", [this](const std::string& text) { tuneStep_ = Numeric::CDbl(text); });
    RestoreKey("OscMultiplier", [&](const std::string& text) { oscMultiplier_ = multiplier(text); });
    RestoreKey("PLLMultiplier", [&](const std::string& text) { pllMultiplier_ = multiplier(text); });
    RestoreKey("CalibOffset", [this](const std::string& text) { CalibOffset(Numeric::CLng(text)); });
    RestoreKey("DDSInterfaceType", [this](const std::string& text) { ddsInterfaceType_ = Numeric::CLng(text); });
}
