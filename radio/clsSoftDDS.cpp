#include "radio/clsSoftDDS.h"

#include "core/BusyGuard.h"
#include "core/Numeric.h"

#include <algorithm>
#include <cmath>

clsSoftDDS::clsSoftDDS() : OscillatorChip("clsSoftDDS", LimitType::Long)
{
    ClkIn(DefaultClockHz);
    // Stored without new limits: the receiver set-up's clock and crystal give the real ones.
    baseFrequency_ = DefaultCrystalHz;
}

clsSoftDDS::~clsSoftDDS() { SaveIfInitialised(); }

void clsSoftDDS::ClkIn(double hertz)
{
    StoreClock(hertz);
    SetRangeAboutBase();
}

void clsSoftDDS::BaseFrequency(int32_t hertz)
{
    baseFrequency_ = hertz;
    SetRangeAboutBase();
}

int32_t clsSoftDDS::Initialise()
{
    if (initialising_)
        return 0;
    BusyGuard guard(initialising_);
    RestoreSettings();
    initialised_ = true;
    return 0;
}

std::optional<int32_t> clsSoftDDS::SetFrequency(int32_t FrequencyToSet)
{
    if (settingFrequency_)
        return std::nullopt;
    BusyGuard guard(settingFrequency_);
    const int32_t frequency = ClampedToMin(ClampedToMax(FrequencyToSet));
    if (!ClockIsUsable()) {
        ShowClockNotSet();
        return frequency;
    }
    // The word only the calibration window reads; the crystal rows' frequencies are all
    // beyond half the sample rate, which gives 2.
    currentTuningWord_ = TuningWordFor(frequency).value_or(2);
    const int32_t offset = LimitedToHalfSampleRate(OffsetHz(frequency));
    if (ritHandler_)
        ritHandler_(static_cast<float>(offset));
    return frequency;
}

int32_t clsSoftDDS::OffsetHz(int32_t frequency) const
{
    // The difference wraps as 32-bit integers do; a scaling of 0 raises an overflow error.
    const auto crystalTenths = static_cast<int32_t>(static_cast<uint32_t>(baseFrequency_) * 10u);
    const auto difference = static_cast<int32_t>(static_cast<uint32_t>(frequency) - static_cast<uint32_t>(crystalTenths));
    return Numeric::CLng(difference / 10.0 / freqScaling_);
}

int32_t clsSoftDDS::CentreOffsetHz() const { return Parent() ? -Parent()->ImageOffsetHz() : 0; }

double clsSoftDDS::MaxFreq() const { return OscillatorChip::MaxFreq() + 10.0 * CentreOffsetHz() * FreqScaling(); }

double clsSoftDDS::MinFreq() const { return OscillatorChip::MinFreq() + 10.0 * CentreOffsetHz() * FreqScaling(); }

int32_t clsSoftDDS::LimitedToHalfSampleRate(int32_t offsetHz) const
{
    const double centre = CentreOffsetHz();
    const double half = std::trunc(ClkIn() / 2);   // the clock is whole hertz and positive here
    const double held = std::clamp(static_cast<double>(offsetHz), centre - half, centre + half);
    // The receive chain takes the pair at the sound card's rate: an offset beyond half of it
    // (from a stored clock above that rate) is held at the edge of what the chain can hear.
    constexpr double chainHalf = DefaultClockHz / 2;
    if (std::fabs(held - centre) <= chainHalf)
        return static_cast<int32_t>(held);
    const double edge = centre + std::copysign(chainHalf, held - centre);
    Trace("SetFrequency", "Offset=" + Numeric::Str(offsetHz) + " Hz is beyond half the receive sample rate; held at " +
                              Numeric::Str(static_cast<int32_t>(edge)) + " Hz");
    return static_cast<int32_t>(edge);
}

void clsSoftDDS::SaveSettings()
{
    if (rxName_.empty())
        return;
    SaveClockAndBase();
}

void clsSoftDDS::RestoreSettings()
{
    if (rxName_.empty())
        return;
    RestoreClock();
    RestoreBase();
}
