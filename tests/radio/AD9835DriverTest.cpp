#include "radio/clsAD9835.h"

#include "RadioTestRig.h"
#include "radio/clsDDSSerialIF.h"

#include <memory>

namespace {

struct StubVFO : OscillatorParent
{
    int32_t OscOut() const override { return oscOut; }
    int32_t oscOut = 0;
};

class AD9835Driver : public RadioTestRig
{
protected:
    AD9835Driver()
    {
        transport->Initialise();
        transport->OpenPort();
        chip.RxName(Section);
        chip.IFHandler(transport);
        chip.Parent(&vfo);
        chip.ClkIn(50'000'000);
    }

    void InitialiseAndClear()
    {
        chip.Initialise();
        lines.ClearTrace();
    }

    std::vector<uint16_t> Words() const { return lines.Chip().Words16(); }

    std::shared_ptr<clsDDSSerialIF> transport = std::make_shared<clsDDSSerialIF>();
    StubVFO vfo;
    clsAD9835 chip;
};

const std::vector<uint16_t> Words455kHz{0x8000, 0xC000, 0x3302, 0x2254, 0x3160, 0x20AA};

TEST_F(AD9835Driver, InitialiseResetsTheChipAndTheFrequencyGoesIntoFreq0)
{
    EXPECT_EQ(chip.Initialise(), 0);
    EXPECT_EQ(Words(), (std::vector<uint16_t>{0xF800, 0xC000, 0x8000}));

    lines.ClearTrace();
    EXPECT_EQ(chip.SetFrequency(4'550'000), 4'550'000);
    EXPECT_EQ(Words(), Words455kHz);
    EXPECT_EQ(chip.CurrentTuningWord(), 0x025460AA);
}

TEST_F(AD9835Driver, FrequenciesAtTheLimits)
{
    InitialiseAndClear();
    // Half the clock does not fit a word: nothing is sent and the last word stays.
    chip.SetFrequency(4'550'000);
    lines.ClearTrace();
    EXPECT_EQ(chip.SetFrequency(300'000'000), std::nullopt);
    EXPECT_TRUE(Words().empty());
    EXPECT_EQ(chip.CurrentTuningWord(), 0x025460AA);

    // One tenth of a hertz below still tunes.
    EXPECT_EQ(chip.SetFrequency(249'999'999), 249'999'999);
    EXPECT_EQ(Words().back() & 0xFF00, 0x2000);
    EXPECT_EQ(chip.CurrentTuningWord(), 2'147'483'639);

    // Below MinFreq: clamped, to a negative limit too.
    chip.BaseFrequency(1000);
    EXPECT_EQ(chip.MinFreq(), -249'990'000);
    EXPECT_EQ(chip.MaxFreq(), 250'010'000);
    chip.MinFreq(1'000'000);
    EXPECT_EQ(chip.SetFrequency(5), 1'000'000);
}

TEST_F(AD9835Driver, RefreshTakesTheVFOsFrequencyAndMarksTheTransfer)
{
    InitialiseAndClear();
    chip.SetFrequency(1'000'000);
    vfo.oscOut = 4'550'000;
    lines.ClearTrace();

    transport->WaitTime(600e-6);
    bool activeMeanwhile = false;
    RunDuringNextPause([&] {
        activeMeanwhile = chip.CMDOutActive;
        chip.Refresh();
    });
    chip.Refresh();
    EXPECT_TRUE(activeMeanwhile);
    EXPECT_FALSE(chip.CMDOutActive);
    EXPECT_EQ(Words(), Words455kHz) << "one set of words: the nested refresh did nothing";

    // Without a VFO there is nothing to refresh from.
    chip.Parent(nullptr);
    lines.ClearTrace();
    EXPECT_NO_THROW(chip.Refresh());
    EXPECT_TRUE(Words().empty());
}

TEST_F(AD9835Driver, FailuresInsideSetFrequencyEndItQuietly)
{
    InitialiseAndClear();
    chip.IFHandler(nullptr);
    EXPECT_EQ(chip.SetFrequency(4'550'000), std::nullopt);
    chip.IFHandler(transport);
    EXPECT_EQ(chip.SetFrequency(4'550'000), 4'550'000) << "the busy flag was cleared";
}

} // namespace
