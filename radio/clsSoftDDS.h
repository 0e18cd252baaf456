#pragma once

#include "radio/OscillatorChip.h"

#include <cstdint>
#include <functional>

// The oscillator of crystal-controlled IQ receivers, which have nothing to tune: the
// requested oscillator frequency becomes an offset in hertz from the crystal frequency,
// limited to half the clock and to half the receive chain's sample rate, and the receive
// chain moves its I/Q pair by that much. Nothing is sent to hardware. The span is the one
// the frequency received may cover: on an I/Q receiver, whose VFO hears its image an IF
// below or above the oscillator, the range of the oscillator and of its offset lies that
// much the other way, so that either image reaches every frequency of the captured band.
class clsSoftDDS : public OscillatorChip
{
public:
    // Receives the offset in hertz: the main window puts it into its receiver incremental
    // tuning value and applies it.
    using RITHandler = std::function<void(float offsetHz)>;

    clsSoftDDS();
    ~clsSoftDDS() override;

    static constexpr double DefaultClockHz = 48'000;     // the sound card's sample rate
    static constexpr int32_t DefaultCrystalHz = 28'304'000;

    // Both recompute MaxFreq and MinFreq about the crystal frequency.
    void ClkIn(double hertz) override;
    using OscillatorChip::ClkIn;
    void BaseFrequency(int32_t hertz) override;
    using OscillatorChip::BaseFrequency;

    // Restores the settings. Returns 0.
    int32_t Initialise() override;
    // Clamps F to the limits and hands the offset from the crystal frequency to the
    // receive chain; returns the clamped frequency.
    std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) override;
    // The range about the crystal, moved by the image the VFO receives.
    double MaxFreq() const override;
    using OscillatorChip::MaxFreq;
    double MinFreq() const override;
    using OscillatorChip::MinFreq;
    // Nothing to send again: the offset stays in force in the receive chain.
    void Refresh() override {}

    void ConnectRIT(RITHandler handler) { ritHandler_ = std::move(handler); }

    void SaveSettings() override;
    void RestoreSettings() override;

private:
    // The offset in hertz of an oscillator frequency (0.1 Hz) from the crystal.
    int32_t OffsetHz(int32_t frequency) const;
    int32_t LimitedToHalfSampleRate(int32_t offsetHz) const;
    // The offset at the middle of the span: the image's distance from the oscillator, negated.
    int32_t CentreOffsetHz() const;

    RITHandler ritHandler_;
    bool settingFrequency_ = false;
    bool initialising_ = false;
};
