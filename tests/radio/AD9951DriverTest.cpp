#include "radio/clsAD9951.h"

#include "RadioTestRig.h"
#include "core/Numeric.h"
#include "radio/clsDDSSerialIF.h"

#include <limits>
#include <memory>

namespace {

using Bytes = std::vector<uint8_t>;
const Bytes CFR1{0x00, 0x00, 0x00, 0x02, 0x02};
const Bytes CFR2{0x01, 0x00, 0x00, 0x47};

class AD9951Driver : public RadioTestRig
{
protected:
    AD9951Driver()
    {
        transport->Initialise();
        transport->OpenPort();
        chip.RxName(Section);
        chip.IFHandler(transport);
        chip.ClkIn(360'096'000);
        chip.BaseFrequency(0);
    }

    void InitialiseAndClear()
    {
        chip.Initialise();
        lines.ClearTrace();
    }

    // The register writes, one per frame.
    std::vector<Bytes> Messages() const
    {
        std::vector<Bytes> messages;
        for (const auto& frame : lines.Chip().SelectedFrames())
            messages.push_back(frame.Bytes(BitOrder::MSBFirst));
        return messages;
    }

    std::shared_ptr<clsDDSSerialIF> transport = std::make_shared<clsDDSSerialIF>();
    clsAD9951 chip;
};

TEST_F(AD9951Driver, InitialiseWritesTheControlRegistersThenTheTuningWordFollows)
{
    EXPECT_EQ(chip.MaxFreq(), 1'800'480'000);
    EXPECT_EQ(chip.MinFreq(), 0);
    InitialiseAndClear();
    EXPECT_EQ(chip.SetFrequency(70'550'000), 70'550'000);
    EXPECT_EQ(Messages(), (std::vector<Bytes>{{0x04, 0x05, 0x03, 0xFB, 0x2D}}));
    EXPECT_EQ(chip.CurrentTuningWord(), 0x0503FB2D);

    lines.ClearTrace();
    chip.Initialise();
    EXPECT_EQ(Messages(), (std::vector<Bytes>{CFR1, CFR2}));
    EXPECT_FALSE(chip.CMDOutActive);

    chip.ClkIn(150);   // absurd, but accepted: the VCO range bit is cleared
    lines.ClearTrace();
    chip.InitialiseChip();
    EXPECT_EQ(Messages().at(1), (Bytes{0x01, 0x00, 0x00, 0x43}));
}

TEST_F(AD9951Driver, FrequenciesOutsideTheRangeAreClamped)
{
    InitialiseAndClear();
    EXPECT_EQ(chip.SetFrequency(1'800'479'999), 1'800'479'999);   // just under half the clock
    EXPECT_EQ(chip.SetFrequency(2'000'000'000), 1'800'480'000);   // the word no longer fits: 2
    EXPECT_EQ(chip.SetFrequency(-70'550'000), 0);
    EXPECT_EQ(Messages(), (std::vector<Bytes>{{0x04, 0x7F, 0xFF, 0xFF, 0xFF},
                                              {0x04, 0x00, 0x00, 0x00, 0x02},
                                              {0x04, 0x00, 0x00, 0x00, 0x00}}));

    chip.MinFreq(-5);
    EXPECT_EQ(chip.MinFreq(), 0) << "the chip cannot go below 0 Hz";
    chip.BaseFrequency(-400'000'000);
    EXPECT_EQ(chip.MinFreq(), 0);
}

TEST_F(AD9951Driver, RefreshRewritesTheChipAndRepeatsTheRequestAsGiven)
{
    InitialiseAndClear();
    chip.SetFrequency(2'000'000'000);
    chip.MaxFreq(2'100'000'000);
    lines.ClearTrace();
    chip.Refresh();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], CFR1);
    EXPECT_EQ(messages[1], CFR2);
    EXPECT_EQ(chip.CurrentTuningWord(), 2) << "2000000000 asked for again, beyond half the clock";

    // A refresh keeps a clock under trial; the stored one comes back only at Initialise.
    Store("CLKIn", "360096000");
    chip.ClkIn(360'000'000);
    chip.Refresh();
    EXPECT_EQ(chip.ClkIn(), 360'000'000);
    chip.Initialise();
    EXPECT_EQ(chip.ClkIn(), 360'096'000);
}

TEST_F(AD9951Driver, TheIQModelsClockAndMultiplierGiveSaturatedLimitsAndStillTune)
{
    // 300 MHz with an oscillator multiplier of 4: the upper limit is beyond 32 bits.
    chip.FreqScaling(4);
    EXPECT_NO_THROW(chip.ClkIn(300'000'000));
    EXPECT_NO_THROW(chip.BaseFrequency(0));
    EXPECT_EQ(chip.MaxFreq(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(chip.MinFreq(), 0);

    InitialiseAndClear();
    EXPECT_EQ(chip.SetFrequency(1'200'480'000), 1'200'480'000);
    EXPECT_EQ(chip.CurrentTuningWord(), Numeric::CLng(1'200'480'000 * 4294967296.0 / 3e9));
    EXPECT_EQ(chip.SetFrequency(std::numeric_limits<int32_t>::max()), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(chip.CurrentTuningWord(), 2);
}

TEST_F(AD9951Driver, TheTuningWordsTransportFailureIsIgnoredAnInitialisationsIsNot)
{
    InitialiseAndClear();
    chip.IFHandler(nullptr);
    EXPECT_EQ(chip.SetFrequency(70'550'000), 70'550'000);
    try {
        chip.Initialise();
        ADD_FAILURE() << "no error without a transport";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 91);
        EXPECT_NE(error.Description().find("clsAD9951"), std::string::npos);
    }
}

} // namespace
