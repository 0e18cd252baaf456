#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class DDSInterface;

// What an oscillator driver reads of the VFO that owns it.
class OscillatorParent
{
public:
    // The oscillator frequency the VFO last computed, in tenths of a hertz.
    virtual int32_t OscOut() const = 0;

protected:
    ~OscillatorParent() = default;
};

// The operations every local-oscillator driver offers. The VFO, the receiver set-up, the
// calibration and configuration windows reach the chosen driver only through these.
//
// Units: oscillator frequencies (SetFrequency's argument, MaxFreq, MinFreq, OscOut) are in
// tenths of a hertz; ClkIn and BaseFrequency in hertz. Drivers keep the clock multiplied by
// 10 and report it as the nearest whole hertz, halves rounded up.
//
// Parent is a back link that the driver does not own: whoever destroys the VFO first sets
// the driver's Parent to nullptr (or gives it the new VFO). IFHandler is shared with the
// receiver set-up, which owns the transports.
class OscillatorChip
{
public:
    virtual ~OscillatorChip() = default;
    OscillatorChip(const OscillatorChip&) = delete;
    OscillatorChip& operator=(const OscillatorChip&) = delete;

    // True while the driver is writing to the chip: the periodic refresh skips its Refresh.
    bool CMDOutActive = false;

    // Settings section of the driver's keys ("RXModel." and the model name); empty: none.
    const std::string& RxName() const { return rxName_; }
    void RxName(const std::string& section) { rxName_ = section; }
    const std::string& Name() const { return name_; }
    void Name(const std::string& name) { name_ = name; }
    bool Initialised() const { return initialised_; }

    OscillatorParent* Parent() const { return parent_; }
    void Parent(OscillatorParent* vfo) { parent_ = vfo; }
    const std::shared_ptr<DDSInterface>& IFHandler() const { return ifHandler_; }
    void IFHandler(std::shared_ptr<DDSInterface> transport) { ifHandler_ = std::move(transport); }

    // The VFO's oscillator multiplier over its PLL multiplier; enters the range computation
    // at the next ClkIn or BaseFrequency assignment.
    float FreqScaling() const { return freqScaling_; }
    void FreqScaling(float scaling) { freqScaling_ = scaling; }

    // The word the last SetFrequency computed (a DDS's 32-bit phase increment).
    int32_t CurrentTuningWord() const { return currentTuningWord_; }
    void CurrentTuningWord(int32_t word) { currentTuningWord_ = word; }
    // A value of the driver's own; no caller relies on it.
    int32_t OscOut() const { return oscOut_; }
    void OscOut(int32_t value) { oscOut_ = value; }

    // Reference clock in hertz. Assigning it recomputes the tuning factor and the range;
    // a clock of 0 raises RuntimeError 11 (division by zero) after storing the clock.
    double ClkIn() const { return std::floor(clockTenths_ / 10 + 0.5); }
    virtual void ClkIn(double hertz) = 0;
    // Base of the tuning range in hertz; assigning it recomputes MaxFreq and MinFreq.
    int32_t BaseFrequency() const { return baseFrequency_; }
    virtual void BaseFrequency(int32_t hertz) = 0;

    // The range of oscillator frequencies the driver accepts, 0.1 Hz. Drivers keep them as
    // 32-bit integers or single-precision values; compare them as numbers and round a limit
    // adopted as a frequency half to even.
    virtual double MaxFreq() const = 0;
    virtual void MaxFreq(double limit) = 0;
    virtual double MinFreq() const = 0;
    virtual void MinFreq(double limit) = 0;

    // Prepares the chip (some drivers restore their settings first). 0 for success.
    virtual int32_t Initialise() = 0;
    // Sets the oscillator; returns the frequency after clamping, or nothing when the driver
    // is not initialised. Callers may ignore the result.
    virtual std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) = 0;
    // Sends the last setting to the chip again.
    virtual void Refresh() = 0;

    virtual void SaveSettings() = 0;
    virtual void RestoreSettings() = 0;

protected:
    OscillatorChip() = default;

    std::string rxName_;
    std::string name_;
    bool initialised_ = false;
    OscillatorParent* parent_ = nullptr;
    std::shared_ptr<DDSInterface> ifHandler_;
    float freqScaling_ = 1.0F;
    int32_t currentTuningWord_ = 0;
    int32_t oscOut_ = 0;
    double clockTenths_ = 0;  // the assigned clock in tenths of a hertz
    int32_t baseFrequency_ = 0;
};
