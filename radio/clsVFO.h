#pragma once

#include "radio/OscillatorChip.h"

#include <cstdint>
#include <memory>
#include <string>

// The tuning model of the receiver: the tuned frequency, the tuning step and what relates
// the tuned frequency to the local oscillator (IF offset and side, calibration offset,
// oscillator and PLL multipliers, receiver limits). Every tuning input ends in
// TunedFrequency, Inc_Freq or Dec_Freq, and each of them ends in Refresh, which computes
// the oscillator frequency and hands it to the driver in OscType.
//
// Units: the tuned and oscillator frequencies and the steps are in tenths of a hertz;
// IFFrequency, CalibOffset, RXMinFreq and RxMaxFreq are given and returned in hertz and
// kept in tenths (so they are held within +-214748364 Hz).
class clsVFO : public OscillatorParent
{
public:
    clsVFO();
    // Saves the settings (when the VFO has a settings section) and lets go of the driver.
    ~clsVFO();
    clsVFO(const clsVFO&) = delete;
    clsVFO& operator=(const clsVFO&) = delete;

    int32_t RXMinFreq() const { return rxMinFreq_ / 10; }
    void RXMinFreq(int32_t hertz) { rxMinFreq_ = TenthsOf(hertz); }
    int32_t RxMaxFreq() const { return rxMaxFreq_ / 10; }
    void RxMaxFreq(int32_t hertz) { rxMaxFreq_ = TenthsOf(hertz); }

    // While set, TuneStep and TuneStepLSD keep their values.
    bool TuneStepLock() const { return tuneStepLock_; }
    void TuneStepLock(bool locked) { tuneStepLock_ = locked; }

    // Transport code of the model: 0 serial, 1 printer port, 2 USB, 3 none.
    int32_t DDSInterfaceType() const { return ddsInterfaceType_; }
    void DDSInterfaceType(int32_t code) { ddsInterfaceType_ = code; }

    // TunedFrequency as nine digits with leading zeros.
    std::string FormattedTunedFreq() const;

    // The step of Inc_Freq and Dec_Freq without an argument; assigning it also assigns
    // TuneStepLSD.
    double TuneStep() const { return tuneStep_; }
    void TuneStep(double tenths);
    // The grid Inc_Freq snaps to before stepping: at most 1 kHz.
    double TuneStepLSD() const { return tuneStepLSD_; }
    void TuneStepLSD(double tenths);

    // Settings section: "RXModel." and the model name.
    const std::string& Name() const { return name_; }
    void Name(const std::string& section) { name_ = section; }

    // Lets the main window re-send the oscillator setting now and then.
    bool AutoUpdate() const { return autoUpdate_; }
    void AutoUpdate(bool on) { autoUpdate_ = on; }

    // Assigning a multiplier passes OscMultiplier / PLLMultiplier to the driver's
    // FreqScaling; without a driver, or with a PLL multiplier of 0, that raises a
    // RuntimeError after the value is stored.
    int32_t OscMultiplier() const { return oscMultiplier_; }
    void OscMultiplier(int32_t multiplier);
    int32_t PLLMultiplier() const { return pllMultiplier_; }
    void PLLMultiplier(int32_t multiplier);

    // The oscillator frequency Refresh last computed.
    int32_t OscOut() const override { return oscOut_; }
    void OscOut(int32_t tenths) { oscOut_ = tenths; }
    // In IQ mode: -IF on the lower image, +IF on the upper one; otherwise 0.
    int32_t ImageOffsetHz() const override;

    // True: the oscillator runs above the tuned frequency (tuned + IF).
    bool HiSideLo() const { return hiSideLo_; }
    void HiSideLo(bool high) { hiSideLo_ = high; }

    int32_t CalibOffset() const { return WholeHertz(calibOffset_); }
    void CalibOffset(int32_t hertz) { calibOffset_ = TenthsOf(hertz); }
    int32_t IFFrequency() const { return WholeHertz(ifFrequency_); }
    void IFFrequency(int32_t hertz) { ifFrequency_ = TenthsOf(hertz); }

    // The stored tuned frequency; in IQ mode with the upper image selected, the upper
    // image (stored + 2 x IF). Assigning takes the magnitude, clamps it to the receiver's
    // limits (unless the oscillator reaches no frequency within them) and runs Refresh.
    int32_t TunedFrequency() const;
    void TunedFrequency(int32_t tenths);
    // The setter for a tuned frequency taken from the settings: where the oscillator is held
    // at a limit, the tuned frequency follows it on the injection side in force, as in
    // RefreshFromStored.
    void TunedFrequencyFromStored(int32_t tenths);

    const std::shared_ptr<OscillatorChip>& OscType() const { return oscType_; }
    void OscType(std::shared_ptr<OscillatorChip> chip) { oscType_ = std::move(chip); }

    // Clamps the tuned frequency to the receiver's limits, computes the oscillator frequency,
    // keeps it within the driver's range (moving the tuned frequency with it) and sends it to
    // the driver. Where the oscillator reaches no frequency within the receiver's limits, its
    // own range alone holds the tuned frequency, which then lies beyond them.
    // A failing step is skipped. Where the oscillator is held at a limit, the tuned
    // frequency follows it on the side of the IF it lay on before the receiver's limits held
    // it, so neither a step nor a second refresh jumps across; unless that side's frequency
    // lies beyond the receiver's limits and the other side's within them, which it then takes.
    void Refresh();
    // Refresh for a tuned frequency taken from the settings, which may lie anywhere: where
    // the oscillator is held at a limit, the tuned frequency follows it on the injection
    // side in force (tuned + calibration +/- IF not below zero; below 0 it becomes 0), so
    // that Up raises it and Down lowers it from there; or, where that one lies beyond the
    // receiver's limits, on the other side within them.
    void RefreshFromStored();
    // One step up from the tuned frequency snapped to the TuneStepLSD grid (or to the step's
    // own size where it is finer): by Increment, or by TuneStep when it is 0. Returns the new
    // tuned frequency.
    double Inc_Freq(double Increment = 0);
    // One step down, whatever the sign of Decrement.
    double Dec_Freq(double Decrement = 0);

    void SaveSettings() const;
    // Reads the keys SaveSettings writes; a missing, malformed or out-of-range value (or a
    // multiplier of 0) keeps the current value and is noted in the trace log.
    void RestoreSettings();

private:
    static int32_t TenthsOf(int32_t hertz);
    static int32_t WholeHertz(int32_t tenths);
    double SnappingGrid(double step) const;

    // The driver's range in tenths of a hertz; without a driver, or where it fails to tell,
    // 0 to the largest 32-bit value.
    struct OscillatorRange
    {
        double min;
        double max;
    };
    OscillatorRange DriverRange() const;
    // Whether the receiver's limits can hold the tuned frequency: the oscillator produces a
    // tuned frequency within them, or none at all (not below 0).
    bool ReceiverLimitsReachable(const OscillatorRange& range) const;
    // Holds the tuned frequency within the receiver's limits where they are reachable; else
    // only above 0.
    void ClampToReceiverLimits(bool limitsReachable);
    // Tuned + calibration +/- IF (the sign of the IF by the injection side), in tenths.
    int64_t OffsetFrom(int64_t tuned) const;
    // Refresh, the side of the IF taken from the tuned frequency asked for.
    void RefreshOnSideOf(int64_t asked);
    void UpdateFreqScaling();
    // Brings the tuned frequency to one whose oscillator frequency is oscillator, never
    // negative, on the side of offsetSign where that one can be taken.
    void RetuneTo(double oscillator, double ratio, int64_t offsetSign, bool limitsReachable);
    template <typename Apply>
    void RestoreKey(const char* key, Apply apply);

    int32_t rxMinFreq_ = 0;
    int32_t rxMaxFreq_ = 0;
    bool tuneStepLock_ = false;
    int32_t ddsInterfaceType_ = 0;
    double tuneStep_ = 0;
    double tuneStepLSD_ = 0;
    std::string name_;
    bool autoUpdate_ = false;
    int32_t oscMultiplier_ = 1;
    int32_t pllMultiplier_ = 1;
    int32_t oscOut_ = 0;
    bool hiSideLo_ = true;
    int32_t calibOffset_ = 0;
    int32_t ifFrequency_ = 0;
    int32_t tunedFrequency_ = 100000000;
    std::shared_ptr<OscillatorChip> oscType_;

    bool tunedFrequencyBusy_ = false;
    bool refreshBusy_ = false;
    bool retuneOnInjectionSide_ = false;   // set while RefreshFromStored runs
    bool incFreqBusy_ = false;
    bool decFreqBusy_ = false;
};
