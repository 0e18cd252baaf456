#include "dsp/clHilbert.h"

#include "DspTestSignals.h"
#include "core/RuntimeError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int32_t Block = 2048;

clHilbert LoadedTransformer(int32_t numSamples = Block)
{
    clHilbert hilbert;
    hilbert.Load(128, numSamples);
    return hilbert;
}

TEST(clHilbert, DesignsAntisymmetricHammingTapsWithUnitGainAtAQuarterOfTheRate)
{
    const clHilbert hilbert = LoadedTransformer();
    EXPECT_EQ(hilbert.Delay, 64);
    EXPECT_NEAR(hilbert.Gain, 1.0 / 1.56876214838177, 1e-12);

    std::vector<double> taps(129);
    hilbert.GetCoefs(taps, 129);
    EXPECT_NEAR(taps[63], 0.99873, 1e-5);
    EXPECT_NEAR(taps[61], 0.99873 / 3.0, 0.01);
    for (int k = 0; k <= 128; k += 2)
        EXPECT_EQ(taps[k], 0.0) << k;  // the centre and every even offset from it
    for (int k = 1; k < 64; ++k)
        EXPECT_DOUBLE_EQ(taps[64 - k], -taps[64 + k]) << k;
}

TEST(clHilbert, TwelveKilohertzSineComesOutNinetyDegreesApartWithEqualAmplitude)
{
    clHilbert transformQ = LoadedTransformer();
    clHilbert delayI = LoadedTransformer();
    std::vector<float> in(Block), q(Block), i(Block);
    for (int n = 0; n < Block; ++n)
        in[n] = static_cast<float>(std::sin(DspTest::Pi / 2 * n));
    transformQ.sTransform(in, q, Block);
    delayI.sDelaySamples(in, i, Block);

    for (int n = 128; n < Block; ++n)
        ASSERT_NEAR(i[n] * i[n] + q[n] * q[n], 1.0, 1e-5) << n;  // a unit phasor: 90 degrees apart
    const DspTest::Tone inPhase = DspTest::FitTone(i.data() + 128, Block - 128, 12000.0, 128, 1.0);
    const DspTest::Tone quadrature = DspTest::FitTone(q.data() + 128, Block - 128, 12000.0, 128, 1.0);
    EXPECT_NEAR(quadrature.gain, 1.0, 1e-5);
    EXPECT_NEAR(std::fabs(DspTest::PhaseDifference(quadrature.phase, inPhase.phase)), DspTest::Pi / 2, 1e-4);
}

TEST(clHilbert, ImpulseIsDelayedBy64AndTransformedIntoTheScaledTaps)
{
    clHilbert hilbert = LoadedTransformer();
    std::vector<float> impulse(Block, 0.0f), delayed(Block), transformed(Block);
    impulse[0] = 1.0f;
    hilbert.sDelaySamples(impulse, delayed, Block);
    hilbert.sTransform(impulse, transformed, Block);

    for (int n = 0; n < Block; ++n)
        ASSERT_EQ(delayed[n], n == 64 ? 1.0f : 0.0f) << n;
    std::vector<float> taps(128);
    hilbert.sGetCoefs(taps, 128);
    for (int n = 0; n < 128; ++n)
        ASSERT_FLOAT_EQ(transformed[n], taps[n] * hilbert.sGain) << n;
    EXPECT_EQ(transformed[64], 0.0f);
}

TEST(clHilbert, BlocksGiveTheSameOutputAsOneContinuousStream)
{
    const std::vector<float> stream = DspTest::RandomVector(3 * Block, 3u, 1000.0f);
    clHilbert wholeQ = LoadedTransformer(3 * Block);
    clHilbert wholeI = LoadedTransformer(3 * Block);
    std::vector<float> wantQ(3 * Block), wantI(3 * Block);
    wholeQ.sTransform(stream, wantQ, 3 * Block);
    wholeI.sDelaySamples(stream, wantI, 3 * Block);

    // Blocks of 2048, then blocks shorter than the filter and the delay.
    clHilbert blockQ = LoadedTransformer();
    clHilbert blockI = LoadedTransformer();
    std::vector<float> gotQ, gotI, outQ(Block), outI(Block);
    size_t position = 0;
    for (const int32_t length : {2048, 2048, 100, 30, 1918}) {
        const std::span<const float> piece(stream.data() + position, static_cast<size_t>(length));
        blockQ.sTransform(piece, outQ, length);
        blockI.sDelaySamples(piece, outI, length);
        gotQ.insert(gotQ.end(), outQ.begin(), outQ.begin() + length);
        gotI.insert(gotI.end(), outI.begin(), outI.begin() + length);
        position += static_cast<size_t>(length);
    }
    ASSERT_EQ(position, stream.size());
    for (size_t n = 0; n < stream.size(); ++n) {
        ASSERT_NEAR(gotQ[n], wantQ[n], 2e-3) << n;
        ASSERT_EQ(gotI[n], wantI[n]) << n;
    }
}

TEST(clHilbert, RefusesWhatItCannotServe)
{
    clHilbert hilbert;
    std::vector<float> block(Block), out(Block);
    EXPECT_THROW(hilbert.sTransform(block, out, Block), RuntimeError);  // not loaded
    EXPECT_THROW(hilbert.Load(3, Block), RuntimeError);                 // no response at 12 kHz
    EXPECT_THROW(hilbert.Load(8195, Block), RuntimeError);              // delay beyond its state
    hilbert.Load(128, Block);
    EXPECT_THROW(hilbert.sTransform(block, out, Block + 1), RuntimeError);
}

} // namespace
