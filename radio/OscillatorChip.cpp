#include "radio/OscillatorChip.h"

#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/Settings.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double TwoTo32 = 4294967296.0;
constexpr double LongMin = std::numeric_limits<int32_t>::min();
constexpr double LongMax = std::numeric_limits<int32_t>::max();

// A whole number of hertz as decimal text; a clock too large for 64 bits in exponent form.
std::string HertzText(double hertz)
{
    if (std::fabs(hertz) < 9.0e18)
        return Numeric::Str(static_cast<int64_t>(hertz));
    return Numeric::Str(hertz);
}

} // namespace

OscillatorChip::OscillatorChip(const std::string& className, LimitType limitType)
    : className_(className), limitType_(limitType), name_(className)
{
}

double OscillatorChip::AsLimit(double tenths) const
{
    if (limitType_ == LimitType::Single)
        return static_cast<float>(tenths);
    if (std::isnan(tenths))
        return 0;
    return std::clamp(std::nearbyint(tenths), LongMin, LongMax);
}

void OscillatorChip::StoreClock(double hertz)
{
    const double tenths = hertz * 10;
    if (tenths == 0 || !std::isfinite(tenths))
        throw RuntimeError(11,
                           "Division by zero: " + className_ + " cannot run from a clock of " + Numeric::Str(hertz) +
                               " Hz; enter the oscillator's reference clock in the receiver configuration",
                           className_ + ".ClkIn");
    clockTenths_ = tenths;
    tuningFactor_ = TwoTo32 / tenths;
}

void OscillatorChip::ClkIn(double hertz)
{
    StoreClock(hertz);
    maxFreq_ = AsLimit(clockTenths_ / 2);
}

void OscillatorChip::BaseFrequency(int32_t hertz)
{
    baseFrequency_ = hertz;
    SetRangeAboutBase();
}

void OscillatorChip::SetRangeAboutBase()
{
    const double halfSpan = ClkIn() / 2 * freqScaling_;
    maxFreq_ = AsLimit((halfSpan + baseFrequency_) * 10);
    minFreq_ = AsLimit((baseFrequency_ - halfSpan) * 10);
}

int32_t OscillatorChip::ClampedToMax(int32_t frequency) const
{
    return frequency > MaxFreq() ? static_cast<int32_t>(std::clamp(std::nearbyint(MaxFreq()), LongMin, LongMax))
                                 : frequency;
}

int32_t OscillatorChip::ClampedToMin(int32_t frequency) const
{
    return frequency < MinFreq() ? static_cast<int32_t>(std::clamp(std::nearbyint(MinFreq()), LongMin, LongMax))
                                 : frequency;
}

std::optional<int32_t> OscillatorChip::TuningWordFor(int32_t frequency) const
{
    const double word = std::nearbyint(frequency * tuningFactor_);
    if (!(word >= LongMin && word <= LongMax))
        return std::nullopt;
    return static_cast<int32_t>(word);
}

void OscillatorChip::SetTuningWordOrTwo(int32_t frequency)
{
    currentTuningWord_ = 2;
    if (const auto word = TuningWordFor(frequency))
        currentTuningWord_ = *word;
    else
        Trace("SetFrequency", "F=" + Numeric::Str(frequency) + " is beyond half the clock; sending the word 2");
}

void OscillatorChip::ShowClockNotSet() const
{
    MessageBoxes::MsgBox("Clkin is not set correctly, Clkin=" + HertzText(ClkIn()),
                         MessageBoxes::vbOKOnly);
}

DDSInterface& OscillatorChip::Transport() const
{
    if (!ifHandler_)
        throw RuntimeError(91,
                           "Object variable not set: " + className_ +
                               " has no interface to the receiver board; set up the receiver model again",
                           className_ + ".IFHandler");
    return *ifHandler_;
}

void OscillatorChip::Trace(const char* routine, const std::string& text) const
{
    AddLog(className_ + "." + routine + ":" + text);
}

void OscillatorChip::SaveKey(const char* key, const std::string& value) const
{
    Settings::SaveSetting(rxName_, key, value);
}

void OscillatorChip::RestoreKey(const char* key, const std::function<void(const std::string&)>& apply) const
{
    Settings::RestoreSetting(rxName_, key, apply, className_ + ".RestoreSettings");
}

void OscillatorChip::SaveClockAndBase() const
{
    SaveKey("CLKIn", HertzText(ClkIn()));
    SaveKey("BaseFrequency", Numeric::Str(baseFrequency_));
}

void OscillatorChip::RestoreClock()
{
    RestoreKey("ClkIn", [this](const std::string& text) { ClkIn(Numeric::CDbl(text)); });
}

void OscillatorChip::RestoreBase()
{
    RestoreKey("BaseFrequency", [this](const std::string& text) { BaseFrequency(Numeric::CLng(text)); });
}

void OscillatorChip::SaveIfInitialised() noexcept
{
    if (!initialised_)
        return;
    try {
        SaveSettings();
    } catch (...) {
        // The settings store reports its own failures; a destructor has no one to tell.
    }
}
