#include "radio/clsAD9850.h"
#include "radio/clsAD9851.h"

#include "core/RuntimeError.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakePrinterPort.h"
#include "fakes/FakeSerialLines.h"
#include "fakes/FakeSettingsStore.h"
#include "radio/clsDDSParallelIF.h"
#include "radio/clsDDSSerialIF.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

constexpr const char* Section = "RXModel.Test";

// The 40 bits the chip loaded at a rising edge of FQ_UD: tuning word and control byte.
struct LoadedWord
{
    uint64_t tuningWord;
    uint64_t control;
    bool operator==(const LoadedWord&) const = default;
};

class AD985xDrivers : public ::testing::Test
{
protected:
    AD985xDrivers()
    {
        transport->Initialise();
        for (OscillatorChip* chip : {static_cast<OscillatorChip*>(&ad9850), static_cast<OscillatorChip*>(&ad9851)}) {
            chip->RxName(Section);
            chip->IFHandler(transport);
        }
    }

    void Store(const char* key, const std::string& value)
    {
        settings.values[FakeSettingsStore::name(Section, key)] = value;
    }

    std::vector<LoadedWord> Loaded() const
    {
        std::vector<LoadedWord> words;
        for (const auto& frame : port.Chip().UpdatedFrames()) {
            if (frame.bits.empty())
                continue;   // an update pulse that follows a loaded word
            EXPECT_EQ(frame.bits.size(), 40u);
            words.push_back({frame.Value(BitOrder::LSBFirst, 0, 32), frame.Value(BitOrder::LSBFirst, 32, 8)});
        }
        return words;
    }

    FakePerfCounter clock{10'000'000, 1};
    FakePrinterPort port{clock};
    FakeSettingsStore settings;
    FakeMessageBoxes boxes;
    std::shared_ptr<clsDDSParallelIF> transport = std::make_shared<clsDDSParallelIF>();
    clsAD9850 ad9850;
    clsAD9851 ad9851;
};

TEST_F(AD985xDrivers, SevenMegahertzAtAHundredMegahertzClockLoadsTheWordWithEachChipsControlByte)
{
    EXPECT_EQ(ad9850.SetFrequency(70'000'000), std::nullopt) << "ignored before Initialise";
    ASSERT_EQ(ad9850.Initialise(), 0);
    ASSERT_EQ(ad9851.Initialise(), 0);
    port.ClearTrace();

    EXPECT_EQ(ad9850.SetFrequency(70'000'000), 70'000'000);
    EXPECT_EQ(ad9851.SetFrequency(70'000'000), 70'000'000);
    EXPECT_EQ(Loaded(), (std::vector<LoadedWord>{{0x11EB851F, 0x00}, {0x11EB851F, 0x01}}));
    EXPECT_EQ(ad9850.CurrentTuningWord(), 0x11EB851F);
    EXPECT_EQ(port.Chip().DataChangesWithClockHigh(), 0u);
}

TEST_F(AD985xDrivers, InitialiseIdlesTheLinesAndPulsesTheUpdateWithoutAWord)
{
    port.ClearTrace();
    ad9850.Initialise();
    const auto chip = port.Chip();
    EXPECT_TRUE(chip.ClockedBits().empty());
    EXPECT_EQ(chip.Final(), (ChipPins{false, false, false}));
    EXPECT_TRUE(ad9850.Initialised());
}

TEST_F(AD985xDrivers, FrequenciesAtTheTopOfTheRange)
{
    ad9850.Initialise();
    ad9851.Initialise();
    port.ClearTrace();

    // Just under half the clock still fits a word; at MaxFreq (half the clock) it does not.
    ad9850.SetFrequency(499'999'999);
    EXPECT_EQ(ad9850.CurrentTuningWord(), 2'147'483'644);
    EXPECT_EQ(ad9850.SetFrequency(600'000'000), 500'000'000);
    EXPECT_EQ(ad9850.CurrentTuningWord(), 2);
    // No clamping at the bottom: the VFO does that.
    ad9850.MinFreq(10'000'000);
    EXPECT_EQ(ad9850.SetFrequency(5'000'000), 5'000'000);
    EXPECT_EQ(Loaded(), (std::vector<LoadedWord>{{2'147'483'644, 0}, {2, 0}, {0x0147AE14, 0}}));
}

TEST_F(AD985xDrivers, LimitsBeyondThirtyTwoBitsSaturateOrStayFloats)
{
    ad9851.ClkIn(180'000'000);
    EXPECT_EQ(ad9851.MaxFreq(), 900'000'000);
    EXPECT_EQ(ad9851.MinFreq(), 0) << "unchanged until BaseFrequency is assigned";
    ad9851.FreqScaling(4);
    ad9851.BaseFrequency(0);
    EXPECT_EQ(ad9851.MaxFreq(), 3'600'000'000.0);
    EXPECT_EQ(ad9851.MinFreq(), -3'600'000'000.0);

    ad9850.ClkIn(180'000'000);
    ad9850.FreqScaling(4);
    EXPECT_NO_THROW(ad9850.BaseFrequency(0));
    EXPECT_EQ(ad9850.MaxFreq(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ad9850.MinFreq(), std::numeric_limits<int32_t>::min());

    // A float limit is adopted rounded half to even; beyond 32 bits it cannot clamp anything.
    ad9851.Initialise();
    ad9851.MaxFreq(12'345.5);
    EXPECT_EQ(ad9851.SetFrequency(20'000), 12'346);
    ad9851.MaxFreq(12'344.5);
    EXPECT_EQ(ad9851.SetFrequency(20'000), 12'344);
    ad9851.MaxFreq(3'600'000'000.0);
    EXPECT_EQ(ad9851.SetFrequency(std::numeric_limits<int32_t>::max()), std::numeric_limits<int32_t>::max());
}

TEST_F(AD985xDrivers, BadClocks)
{
    // A clock of 0 is refused before anything changes.
    EXPECT_THROW(ad9850.ClkIn(0), RuntimeError);
    EXPECT_EQ(ad9850.ClkIn(), clsAD9850::DefaultClockHz);
    EXPECT_EQ(ad9850.MaxFreq(), 500'000'000);

    // A negative clock: the message, nothing sent.
    ad9850.Initialise();
    ad9850.ClkIn(-1000);
    port.ClearTrace();
    ad9850.MaxFreq(100);
    EXPECT_EQ(ad9850.SetFrequency(50), 50);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt, "Clkin is not set correctly, Clkin=-1000");
    EXPECT_TRUE(port.Trace().empty());
}

TEST_F(AD985xDrivers, RefreshRepeatsTheLastWordAndMarksTheTransfer)
{
    ad9851.Initialise();
    port.ClearTrace();
    ad9851.Refresh();   // before any SetFrequency: the word 0
    ad9851.SetFrequency(70'000'000);
    ad9851.Refresh();
    EXPECT_EQ(Loaded(), (std::vector<LoadedWord>{{0, 1}, {0x11EB851F, 1}, {0x11EB851F, 1}}));

    // A negative word (a negative frequency asked for directly) repeats bit for bit.
    port.ClearTrace();
    ad9851.SetFrequency(-70'000'000);
    ad9851.Refresh();
    const auto words = Loaded();
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0], words[1]);
    EXPECT_EQ(words[0].tuningWord, static_cast<uint32_t>(-0x11EB851F));

    // While a refresh pumps messages, the flag is up and a second refresh does nothing.
    port.ClearTrace();
    transport->WaitTime(600e-6);
    bool activeMeanwhile = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            activeMeanwhile = ad9851.CMDOutActive;
            ad9851.Refresh();
        },
        Qt::QueuedConnection);
    ad9851.Refresh();
    EXPECT_TRUE(activeMeanwhile);
    EXPECT_FALSE(ad9851.CMDOutActive);
    EXPECT_EQ(Loaded().size(), 1u);
}

TEST_F(AD985xDrivers, ATransportWithoutLSBSequencesRaisesAndLeavesTheDriverUsable)
{
    FakeSerialLines lines{clock};
    auto serial = std::make_shared<clsDDSSerialIF>();
    serial->Initialise();
    ad9850.Initialise();
    ad9850.IFHandler(serial);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            ad9850.SetFrequency(70'000'000);
            ADD_FAILURE() << "no error from a transport without SendSeqLSB";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), 438);
        }
    }
    ad9850.IFHandler(nullptr);
    EXPECT_NO_THROW(ad9850.Refresh());
    EXPECT_THROW(ad9850.SetFrequency(70'000'000), RuntimeError);
}

TEST_F(AD985xDrivers, BothChipsRestoreTheirStoredClockAtInitialise)
{
    // The set-up assigns the model's values first; stored ones (a calibration) win.
    Store("ClkIn", "180000123");
    Store("BaseFrequency", "1000");
    Store("AutoRefresh", "True");
    for (auto* chip : {static_cast<AD985xDriver*>(&ad9850), static_cast<AD985xDriver*>(&ad9851)}) {
        chip->ClkIn(100'000'000);
        chip->Initialise();
        EXPECT_EQ(chip->ClkIn(), 180'000'123) << chip->Name();
        EXPECT_EQ(chip->BaseFrequency(), 1000);
        EXPECT_TRUE(chip->AutoRefresh());
    }

    // A malformed value keeps the current one.
    Store("ClkIn", "fast");
    ad9850.Initialise();
    EXPECT_EQ(ad9850.ClkIn(), 180'000'123);
}

TEST_F(AD985xDrivers, AnInitialisedDriverSavesItsKeysWhenDestroyed)
{
    {
        clsAD9850 chip;
        chip.RxName(Section);
        chip.IFHandler(transport);
        chip.Initialise();
        chip.ClkIn(99'999'999.6);
        chip.BaseFrequency(-5);
    }
    EXPECT_EQ(settings.values[FakeSettingsStore::name(Section, "CLKIn")], "100000000");
    EXPECT_EQ(settings.values[FakeSettingsStore::name(Section, "BaseFrequency")], "-5");
    EXPECT_EQ(settings.values[FakeSettingsStore::name(Section, "AutoRefresh")], "False");

    settings.values.clear();
    {
        clsAD9851 uninitialised;
        uninitialised.RxName(Section);
    }
    EXPECT_TRUE(settings.values.empty());
}

} // namespace
