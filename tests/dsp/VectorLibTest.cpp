#include "dsp/VectorLib.h"

#include "DspTestSignals.h"
#include "core/RuntimeError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

namespace {

TEST(VectorLib, FloatToInt16RoundsHalfToEvenAndSaturates)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> in{0.5f, 1.5f, 2.5f, -0.5f, -1.5f, -2.5f, 1.49f, 32767.4f, 32767.5f, 40000.0f,
                                -32768.6f, -1e9f, nan, std::numeric_limits<float>::infinity()};
    const std::vector<int16_t> expected{0, 2, 2, 0, -2, -2, 1, 32767, 32767, 32767, -32768, -32768, 0, 32767};
    std::vector<int16_t> out(in.size());
    VectorLib::FloatToInt16_S_2(in.data(), out.data(), static_cast<int32_t>(in.size()));
    EXPECT_EQ(out, expected);

    // No scaling either way: samples stay in 16-bit units.
    const std::vector<int16_t> samples{-32768, -1, 0, 32767};
    std::vector<float> floats(samples.size());
    VectorLib::Int16ToFloat_S_2(samples.data(), floats.data(), 4);
    EXPECT_EQ(floats, (std::vector<float>{-32768.0f, -1.0f, 0.0f, 32767.0f}));
}

TEST(VectorLib, ThresholdPairsBoundAsTheReceiveChainExpects)
{
    // The FM pair: everything above 0 becomes 16384, everything below 0 becomes -16384.
    std::vector<float> fm{20000.0f, 5.0f, 0.0f, -3.0f, -20000.0f};
    VectorLib::HiThresh_S_1(fm.data(), 0.0f, 16384.0f, 5);
    VectorLib::LowThresh_S_1(fm.data(), 0.0f, -16384.0f, 5);
    EXPECT_EQ(fm, (std::vector<float>{16384.0f, 16384.0f, 0.0f, -16384.0f, -16384.0f}));

    // The SAM pair bounds the carrier reference to -1 .. +1.
    std::vector<float> sam{3.5f, 0.5f, -0.25f, -7.0f};
    VectorLib::HiThresh_S_1(sam.data(), 1.0f, 1.0f, 4);
    VectorLib::LowThresh_S_1(sam.data(), -1.0f, -1.0f, 4);
    EXPECT_EQ(sam, (std::vector<float>{1.0f, 0.5f, -0.25f, -1.0f}));

    std::vector<float> bins{1.0f, 10.0f, 3.0f};
    VectorLib::LowThreshFract_S_1(bins.data(), 5.0f, 0.5f, 3);
    EXPECT_EQ(bins, (std::vector<float>{0.5f, 10.0f, 1.5f}));
}

TEST(VectorLib, RampIncludesBothEndPoints)
{
    std::vector<float> ramp(6, -1.0f);
    VectorLib::VectorRamp_S_1(1.0f, 0.0f, ramp.data(), 5);
    EXPECT_EQ(ramp, (std::vector<float>{1.0f, 0.75f, 0.5f, 0.25f, 0.0f, -1.0f}));
    VectorLib::VectorRamp_S_1(2.0f, 9.0f, ramp.data(), 1);
    EXPECT_EQ(ramp[0], 2.0f);
}

TEST(VectorLib, ReductionsFindTheFirstMaximumAndDoNotOverflow)
{
    const std::vector<float> values{1.0f, 5.0f, -9.0f, 5.0f};
    EXPECT_EQ(VectorLib::MaxIndex_S(values.data(), 4), 1);
    EXPECT_EQ(VectorLib::MaxIndex_S(values.data() + 2, 2), 1);  // counted from the pointer given
    EXPECT_EQ(VectorLib::MaxValue_S(values.data(), 4), 5.0f);
    EXPECT_EQ(VectorLib::MaxValueAbs_S(values.data(), 4), 9.0f);
    const std::vector<float> negatives{-4.0f, -2.0f, -3.0f};
    EXPECT_EQ(VectorLib::MaxValue_S(negatives.data(), 3), -2.0f);  // not a maximum started at 0

    const std::vector<int16_t> loud(70000, 32767);
    EXPECT_EQ(VectorLib::Sum_Int16_1(loud.data(), 70000), int64_t{70000} * 32767);
    const std::vector<int32_t> large{2147483647, 2147483647};
    EXPECT_EQ(VectorLib::Sum_Int32_1(large.data(), 2), int64_t{4294967294});

    // Summed in double: a block of full-scale squares keeps its last digits.
    const std::vector<float> squares(2048, 32767.0f * 32767.0f);
    EXPECT_FLOAT_EQ(VectorLib::Sum_S_1(squares.data(), 2048), 2048.0f * 32767.0f * 32767.0f);
}

TEST(VectorLib, CountsOfZeroOrLessDoNothing)
{
    std::vector<float> v{1.0f, 2.0f, 3.0f};
    const std::vector<float> before = v;
    VectorLib::Add_S_2(before.data(), v.data(), 0);
    VectorLib::Mpy_S_1(5.0f, v.data(), -3);
    VectorLib::SetMemory_S(v.data(), -1, 9.0f);
    VectorLib::ShiftVectorRight_S_1(v.data(), 0);
    VectorLib::VectorRamp_S_1(0.0f, 1.0f, v.data(), 0);
    VectorLib::HiThresh_S_1(v.data(), 0.0f, 7.0f, -2);
    EXPECT_EQ(v, before);
    EXPECT_EQ(VectorLib::MaxIndex_S(v.data(), 0), 0);
    std::vector<float> history{1, 2, 3, 4};
    VectorLib::ShiftVectorRight_S_1(history.data(), 2);  // the oldest of two entries drops out at [2]
    EXPECT_EQ(history, (std::vector<float>{1, 1, 2, 4}));
    EXPECT_EQ(VectorLib::MaxValueAbs_S(v.data(), -1), 0.0f);
    EXPECT_EQ(VectorLib::Sum_S_1(v.data(), 0), 0.0f);
}

// Taps are taken in groups of up to four with zero taps skipped: any count, any zeros, the
// same sums as the plain convolution.
TEST(VectorLib, FIRPassIsTheConvolutionOfTheTapsWithTheHistoryAndTheBlock)
{
    for (const int32_t nTaps : {1, 4, 7, 13}) {
        std::vector<float> taps = DspTest::RandomVector(static_cast<size_t>(nTaps), 40u + nTaps);
        for (int32_t k = 1; k < nTaps; k += 3)
            taps[k] = 0.0f;
        const int32_t n = 50;
        const std::vector<float> work = DspTest::RandomVector(static_cast<size_t>(nTaps + n), 60u + nTaps, 100.0f);
        std::vector<float> out(n, 42.0f);
        VectorLib::sHilbert(work.data(), taps.data(), out.data(), nTaps, n);
        for (int32_t i = 0; i < n; ++i) {
            double expected = 0.0;
            for (int32_t k = 0; k < nTaps; ++k)
                expected += static_cast<double>(taps[k]) * work[nTaps + i - k];
            ASSERT_NEAR(out[i], expected, 1e-3) << nTaps << " taps, output " << i;
        }
    }
}

TEST(VectorLib, QuarterRateMixerMatchesTheOscillatorAtTwelveKilohertz)
{
    VectorLib::InitDDS(30, 16, 2048);
    std::vector<float> sine(2048), cosine(2048);
    VectorLib::MakeFreq(268435456, sine.data(), cosine.data());

    const std::vector<float> in = [] {
        std::vector<float> v(2048);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = static_cast<float>(1000.0 * std::sin(0.01 * static_cast<double>(i * i)));
        return v;
    }();
    std::vector<float> i(2048), q(2048);
    VectorLib::MixerIQ_S_S_1(in.data(), i.data(), q.data(), 2048);
    for (size_t k = 0; k < in.size(); ++k) {
        ASSERT_NEAR(i[k], in[k] * cosine[k], 1e-3) << k;
        ASSERT_NEAR(q[k], in[k] * sine[k], 1e-3) << k;
    }
}

TEST(VectorLib, OscillatorRefusesArgumentsItCannotServe)
{
    VectorLib::InitDDS(30, 16, 4);
    std::vector<float> sine(4), cosine(4);
    VectorLib::MakeFreq(1 << 28, sine.data(), cosine.data());
    for (const auto& [phaseBits, tableBits, block] :
         {std::tuple{0, 16, 2048}, {32, 16, 2048}, {30, 31, 2048}, {30, 21, 2048}, {30, 0, 2048}, {30, 16, 0},
          {30, 16, 65537}}) {
        EXPECT_THROW(VectorLib::InitDDS(phaseBits, tableBits, block), RuntimeError)
            << phaseBits << " " << tableBits << " " << block;
    }
    // A refused start keeps the oscillator that was running: four samples, phase continuing.
    VectorLib::MakeFreq(1 << 28, sine.data(), cosine.data());
    EXPECT_NEAR(sine[0], 1.0f, 1e-6);
    EXPECT_NEAR(cosine[0], 0.0f, 1e-6);
}

} // namespace
