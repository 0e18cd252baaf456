#include "radio/clsSoftDDS.h"

#include "RadioTestRig.h"

namespace {

class SoftDDS : public RadioTestRig
{
protected:
    // A crystal receiver: 12.34 MHz crystal, 48 kHz sound card, oscillator multiplier 4.
    SoftDDS()
    {
        chip.ConnectRIT([this](float offsetHz) { offsets.push_back(offsetHz); });
        chip.FreqScaling(4);
        chip.ClkIn(48'000);
        chip.BaseFrequency(12'340'000);
    }

    clsSoftDDS chip;
    std::vector<float> offsets;
};

TEST_F(SoftDDS, TheOffsetFromTheCrystalGoesToTheReceiveChainWithinHalfTheSampleRate)
{
    EXPECT_EQ(chip.MaxFreq(), 124'360'000);
    EXPECT_EQ(chip.MinFreq(), 122'440'000);

    EXPECT_EQ(chip.SetFrequency(123'400'000), 123'400'000);   // tuned 3073 kHz, IF 12 kHz, high side
    EXPECT_EQ(chip.SetFrequency(123'800'000), 123'800'000);
    EXPECT_EQ(chip.SetFrequency(125'000'000), 124'360'000);
    EXPECT_EQ(chip.SetFrequency(100'000'000), 122'440'000);
    EXPECT_EQ(offsets, (std::vector<float>{0, 10'000, 24'000, -24'000}));
    EXPECT_EQ(chip.CurrentTuningWord(), 2) << "the word of a crystal row never fits 32 bits";

    // An odd clock: the limits' offsets of 24001.5 Hz round to 24002 Hz, beyond half the
    // clock; held within it at 24001 Hz they are still beyond half the receive chain's
    // 48000 samples per second, which it gets them held at.
    chip.FreqScaling(1);
    chip.ClkIn(48'003);
    offsets.clear();
    chip.SetFrequency(2'000'000'000);
    chip.SetFrequency(-2'000'000'000);
    EXPECT_EQ(offsets, (std::vector<float>{24'000, -24'000}));
}

// On an I/Q receiver the VFO hears the IF below the oscillator on the lower image and above
// it on the upper one: the span of oscillator frequencies, and of offsets, lies that much
// the other way, so that the frequency heard may cover the captured band on either image.
TEST_F(SoftDDS, TheSpanFollowsTheImageTheVFOReceives)
{
    struct ImageOf : OscillatorParent
    {
        int32_t OscOut() const override { return 0; }
        int32_t ImageOffsetHz() const override { return hertz; }
        int32_t hertz = 0;
    } vfo;
    chip.Parent(&vfo);
    for (const int32_t image : {-12'000, 12'000}) {
        vfo.hertz = image;
        offsets.clear();
        EXPECT_EQ(chip.MaxFreq(), 124'360'000 - 40 * image) << image;
        EXPECT_EQ(chip.MinFreq(), 122'440'000 - 40 * image) << image;
        EXPECT_EQ(chip.SetFrequency(125'000'000), 124'360'000 - 40 * image);
        EXPECT_EQ(chip.SetFrequency(100'000'000), 122'440'000 - 40 * image);
        EXPECT_EQ(offsets, (std::vector<float>{24'000.0f - image, -24'000.0f - image})) << image;
    }
    chip.Parent(nullptr);
}

TEST_F(SoftDDS, RefreshAndAnUnconnectedReceiveChainChangeNothing)
{
    chip.SetFrequency(123'800'000);
    chip.Refresh();
    EXPECT_EQ(offsets.size(), 1u);

    clsSoftDDS alone;
    // Works without being initialised, within the construction's limits of +-24 kHz about 0
    // until the set-up assigns clock and crystal.
    EXPECT_EQ(alone.SetFrequency(283'040'000), 240'000);
}

TEST_F(SoftDDS, AScalingOfZeroFailsThatTuningOnly)
{
    chip.FreqScaling(0);
    EXPECT_THROW(chip.SetFrequency(123'800'000), RuntimeError);
    chip.FreqScaling(4);
    EXPECT_NO_THROW(chip.SetFrequency(123'800'000)) << "the busy flag was cleared";
    EXPECT_EQ(offsets.back(), 10'000);
}

} // namespace
