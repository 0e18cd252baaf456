#include "radio/clsAD9850.h"
#include "radio/clsAD9851.h"

#include "RadioTestRig.h"
#include "radio/clsDDSParallelIF.h"
#include "radio/clsDDSSerialIF.h"

#include <limits>
#include <memory>

namespace {

constexpr int32_t LongMax = std::numeric_limits<int32_t>::max();

// The 40 bits the chip loaded at a rising edge of FQ_UD: tuning word and control byte.
struct LoadedWord
{
    uint64_t tuningWord;
    uint64_t control;
    bool operator==(const LoadedWord&) const = default;
};

class AD985xDrivers : public RadioTestRig
{
protected:
    AD985xDrivers()
    {
        transport->Initialise();
        for (AD985xDriver* chip : both) {
            chip->RxName(Section);
            chip->IFHandler(transport);
        }
    }

    void InitialiseBothAndClear()
    {
        ad9850.Initialise();
        ad9851.Initialise();
        port.ClearTrace();
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

    std::shared_ptr<clsDDSParallelIF> transport = std::make_shared<clsDDSParallelIF>();
    clsAD9850 ad9850;
    clsAD9851 ad9851;
    AD985xDriver* const both[2] = {&ad9850, &ad9851};
};

TEST_F(AD985xDrivers, TuningWordsWithEachChipsControlByteUpToTheTopOfTheRange)
{
    InitialiseBothAndClear();
    EXPECT_EQ(ad9850.SetFrequency(70'000'000), 70'000'000);
    EXPECT_EQ(ad9851.SetFrequency(70'000'000), 70'000'000);
    ad9850.SetFrequency(499'999'999);                            // just under half the clock
    EXPECT_EQ(ad9850.SetFrequency(600'000'000), 500'000'000);    // half the clock: no word fits
    ad9850.MinFreq(10'000'000);
    EXPECT_EQ(ad9850.SetFrequency(5'000'000), 5'000'000) << "the VFO clamps at the bottom";
    EXPECT_EQ(Loaded(), (std::vector<LoadedWord>{
                            {0x11EB851F, 0}, {0x11EB851F, 1}, {2'147'483'644, 0}, {2, 0}, {0x0147AE14, 0}}));
    EXPECT_EQ(port.Chip().DataChangesWithClockHigh(), 0u);
}

TEST_F(AD985xDrivers, LimitsBeyondThirtyTwoBitsSaturateOrStayFloats)
{
    ad9851.ClkIn(180'000'000);
    EXPECT_EQ(ad9851.MaxFreq(), 900'000'000);
    EXPECT_EQ(ad9851.MinFreq(), 0) << "unchanged until BaseFrequency is assigned";
    for (AD985xDriver* chip : both) {
        chip->ClkIn(180'000'000);
        chip->FreqScaling(4);
        EXPECT_NO_THROW(chip->BaseFrequency(0));
    }
    EXPECT_EQ(ad9851.MaxFreq(), 3'600'000'000.0);
    EXPECT_EQ(ad9851.MinFreq(), -3'600'000'000.0);
    EXPECT_EQ(ad9850.MaxFreq(), LongMax);
    EXPECT_EQ(ad9850.MinFreq(), std::numeric_limits<int32_t>::min());

    // A float limit is adopted rounded half to even.
    ad9851.Initialise();
    ad9851.MaxFreq(12'345.5);
    EXPECT_EQ(ad9851.SetFrequency(20'000), 12'346);
    ad9851.MaxFreq(12'344.5);
    EXPECT_EQ(ad9851.SetFrequency(20'000), 12'344);
    ad9851.MaxFreq(3'600'000'000.0);
    EXPECT_EQ(ad9851.SetFrequency(LongMax), LongMax);
}

TEST_F(AD985xDrivers, ANegativeClockIsExplainedAndNothingSent)
{
    InitialiseBothAndClear();
    ad9850.ClkIn(-1000);
    ad9850.MaxFreq(100);
    EXPECT_EQ(ad9850.SetFrequency(50), 50);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt, "Clkin is not set correctly, Clkin=-1000");
    EXPECT_TRUE(port.Trace().empty());
}

TEST_F(AD985xDrivers, RefreshRepeatsTheLastWordAndMarksTheTransfer)
{
    InitialiseBothAndClear();
    ad9851.Refresh();   // before any SetFrequency: the word 0
    ad9851.SetFrequency(70'000'000);
    ad9851.Refresh();
    // A negative word (a negative frequency asked for directly) repeats bit for bit.
    ad9851.SetFrequency(-70'000'000);
    ad9851.Refresh();
    const LoadedWord negative{static_cast<uint32_t>(-0x11EB851F), 1};
    EXPECT_EQ(Loaded(), (std::vector<LoadedWord>{{0, 1}, {0x11EB851F, 1}, {0x11EB851F, 1}, negative, negative}));

    // While a refresh lets messages run, the flag is up and a second refresh does nothing.
    port.ClearTrace();
    transport->WaitTime(600e-6);
    bool activeMeanwhile = false;
    RunDuringNextPause([&] {
        activeMeanwhile = ad9851.CMDOutActive;
        ad9851.Refresh();
    });
    ad9851.Refresh();
    EXPECT_TRUE(activeMeanwhile);
    EXPECT_FALSE(ad9851.CMDOutActive);
    EXPECT_EQ(Loaded().size(), 1u);
}

TEST_F(AD985xDrivers, TransportFailuresReachTheCallerAndLeaveTheDriverUsable)
{
    ad9850.Initialise();
    ad9850.IFHandler(std::make_shared<clsDDSSerialIF>());   // has no SendSeqLSB
    EXPECT_THROW(ad9850.SetFrequency(70'000'000), RuntimeError);
    EXPECT_THROW(ad9850.SetFrequency(70'000'000), RuntimeError) << "not refused as a nested call";
    ad9850.IFHandler(nullptr);
    EXPECT_NO_THROW(ad9850.Refresh());
    EXPECT_THROW(ad9850.SetFrequency(70'000'000), RuntimeError);
}

} // namespace
