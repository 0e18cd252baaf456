#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
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
    // How far the frequency received lies from the oscillator frequency, in hertz: for an
    // I/Q receiver the IF below it on the lower image and above it on the upper one; 0 when
    // the VFO does not say.
    virtual int32_t ImageOffsetHz() const { return 0; }

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
    // Unless a driver says otherwise, MaxFreq becomes half the clock.
    virtual void ClkIn(double hertz);
    // Base of the tuning range in hertz; assigning it recomputes MaxFreq and MinFreq.
    int32_t BaseFrequency() const { return baseFrequency_; }
    virtual void BaseFrequency(int32_t hertz);

    // The range of oscillator frequencies the driver accepts, 0.1 Hz. Drivers keep them as
    // 32-bit integers or single-precision values; compare them as numbers and round a limit
    // adopted as a frequency half to even.
    // Assigning one stores it in the driver's limit type.
    virtual double MaxFreq() const { return maxFreq_; }
    virtual void MaxFreq(double limit) { maxFreq_ = AsLimit(limit); }
    virtual double MinFreq() const { return minFreq_; }
    virtual void MinFreq(double limit) { minFreq_ = AsLimit(limit); }

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
    // How a driver keeps its limits: 32-bit integers (saturated at the ends of their range,
    // so that no model's limits raise an overflow) or single-precision values.
    enum class LimitType { Long, Single };

    OscillatorChip(const std::string& className, LimitType limitType);
    OscillatorChip() : OscillatorChip("OscillatorChip", LimitType::Long) {}

    double AsLimit(double tenths) const;
    // Stores the clock (hertz) and recomputes the tuning factor. A clock of 0 or one that is
    // not a number is refused with RuntimeError 11 before anything changes.
    void StoreClock(double hertz);
    // The limits about BaseFrequency: ClkIn / 2 scaled by FreqScaling either side.
    void SetRangeAboutBase();
    // F clamped to MaxFreq, then to MinFreq.
    int32_t ClampedToMax(int32_t frequency) const;
    int32_t ClampedToMin(int32_t frequency) const;
    // F times the tuning factor rounded half to even; nothing when it does not fit 32 bits.
    std::optional<int32_t> TuningWordFor(int32_t frequency) const;
    // CurrentTuningWord := the word for F, or 2 (with a trace line) when F is beyond half
    // the clock, as the DDS chips expect.
    void SetTuningWordOrTwo(int32_t frequency);
    bool ClockIsUsable() const { return tuningFactor_ > 0; }
    // The message for a negative clock.
    void ShowClockNotSet() const;

    // The transport, or RuntimeError 91 naming the driver when none is wired.
    DDSInterface& Transport() const;
    // One trace line "<class>.<routine>:<text>".
    void Trace(const char* routine, const std::string& text) const;

    // Settings of section RxName. A key that is missing leaves the value alone; one that
    // does not convert is logged and leaves it alone too.
    void SaveKey(const char* key, const std::string& value) const;
    void RestoreKey(const char* key, const std::function<void(const std::string&)>& apply) const;
    // "CLKIn" and "BaseFrequency", the keys every driver keeps.
    void SaveClockAndBase() const;
    void RestoreClock();
    void RestoreBase();
    // At destruction: an initialised driver keeps its settings.
    void SaveIfInitialised() noexcept;

    std::string className_;
    LimitType limitType_;
    std::string rxName_;
    std::string name_;
    bool initialised_ = false;
    OscillatorParent* parent_ = nullptr;
    std::shared_ptr<DDSInterface> ifHandler_;
    float freqScaling_ = 1.0F;
    int32_t currentTuningWord_ = 0;
    int32_t oscOut_ = 0;
    double clockTenths_ = 0;  // the assigned clock in tenths of a hertz
    double tuningFactor_ = 0; // 2^32 / clockTenths_
    int32_t baseFrequency_ = 0;
    double maxFreq_ = 0;      // in the driver's limit type
    double minFreq_ = 0;
};
