#pragma once

#include "core/RuntimeError.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakePrinterPort.h"
#include "fakes/FakeSerialLines.h"
#include "fakes/FakeSettingsStore.h"
#include "radio/OscillatorChip.h"
#include "radio/clsVFO.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

// The settings section the radio tests keep their keys in.
inline constexpr const char* Section = "RXModel.Test";

// The doubles every hardware path of the radio needs while a test runs: a 10 MHz counter
// that advances one tick per read (so every pause is exact), both ports, the settings
// store and the message boxes.
class RadioTestRig : public ::testing::Test
{
protected:
    void Store(const std::string& key, const std::string& value) { StoreIn(Section, key, value); }
    void StoreIn(const std::string& section, const std::string& key, const std::string& value)
    {
        settings.values[FakeSettingsStore::name(section, key)] = value;
    }
    std::string Stored(const std::string& key) { return settings.values[FakeSettingsStore::name(Section, key)]; }

    FakePerfCounter clock{10'000'000, 1};
    FakeSerialLines lines{clock};
    FakePrinterPort port{clock};
    FakeSettingsStore settings;
    FakeMessageBoxes boxes;
};

// Runs nested from the event loop, that is inside the next pause long enough to let events
// run (over 500 microseconds): a re-entry as message pumping makes it.
inline void RunDuringNextPause(std::function<void()> nested)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(nested), Qt::QueuedConnection);
}

// A delay of d microseconds on the rig's counter lasts round(10 d) + 1 ticks.
inline double MeasuredPause(double microseconds) { return (std::nearbyint(microseconds * 10) + 1) / 10; }

// The oscillator frequency the VFO's forward mapping gives for its present tuning:
// the multipliers' ratio times the tuned frequency plus calibration and the IF on its side.
inline double ForwardOscillator(const clsVFO& vfo)
{
    const double ratio = double(vfo.OscMultiplier()) / vfo.PLLMultiplier();
    const double side = vfo.HiSideLo() ? vfo.IFFrequency() : -vfo.IFFrequency();
    return std::fabs(ratio * (vfo.TunedFrequency() + 10.0 * (vfo.CalibOffset() + side)));
}

// An oscillator driver that records what it is asked to do. Its range is whatever a test
// assigns; SetFrequency works out a DDS tuning word from the clock.
class TestOscillatorChip : public OscillatorChip
{
public:
    TestOscillatorChip() { clockTenths_ = 1'000'000'000; }

    void ClkIn(double hertz) override
    {
        if (hertz == 0)
            throw RuntimeError(11, "Division by zero");
        clockTenths_ = hertz * 10;
        clocksAssigned.push_back(hertz);
    }
    using OscillatorChip::ClkIn;
    void BaseFrequency(int32_t hertz) override { baseFrequency_ = hertz; }
    using OscillatorChip::BaseFrequency;

    double MaxFreq() const override { return maxFreq; }
    void MaxFreq(double limit) override { maxFreq = limit; }
    double MinFreq() const override { return minFreq; }
    void MinFreq(double limit) override { minFreq = limit; }

    int32_t Initialise() override
    {
        initialised_ = true;
        return 0;
    }
    std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) override
    {
        if (duringSetFrequency)
            duringSetFrequency();
        frequencies.push_back(FrequencyToSet);
        currentTuningWord_ = static_cast<int32_t>(std::llround(FrequencyToSet * 4294967296.0 / clockTenths_));
        return FrequencyToSet;
    }
    void Refresh() override { ++refreshes; }
    void SaveSettings() override {}
    void RestoreSettings() override {}

    double maxFreq = 2'000'000'000;
    double minFreq = 0;
    std::vector<int32_t> frequencies;   // every SetFrequency argument
    std::vector<double> clocksAssigned;
    int refreshes = 0;
    std::function<void()> duringSetFrequency;   // e.g. a nested call, as message pumping makes
};
