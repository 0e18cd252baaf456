#include "dsp/RealTransform.h"

#include "DspTestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

using Complex = std::complex<double>;

// Every size the filter and the real FFT prepare.
constexpr int32_t SmallestSize = 4;
constexpr int32_t LargestSize = 32768;
// Up to this size every bin and sample is checked; above it a spread of them, the direct DFT
// of every bin taking too long.
constexpr int32_t FullyCheckedSize = 1024;

// Float transforms of data in -1 .. 1 stay within this of the double-precision DFT.
double Tolerance(int32_t n)
{
    return 2e-6 * std::sqrt(static_cast<double>(n)) * std::log2(static_cast<double>(n));
}

// The indices 0 .. last to compare: all of them, or the ends, the middle and a spread between.
std::vector<size_t> CheckedIndices(int32_t n, size_t last)
{
    std::vector<size_t> indices;
    const size_t step = n <= FullyCheckedSize ? 1 : last / 13;
    for (size_t i = 0; i < last; i += step)
        indices.push_back(i);
    for (const size_t i : {size_t{1}, last / 2 - 1, last / 2, last / 2 + 1, last - 1, last})
        indices.push_back(i);
    return indices;
}

TEST(RealTransform, ForwardMatchesTheDirectDFTAtEverySizeAndKeepsItsInput)
{
    RealTransform transform;
    for (int32_t n = SmallestSize; n <= LargestSize; n *= 2) {
        transform.Prepare(n);
        const std::vector<float> x = DspTest::RandomVector(n, 21u + n);
        std::copy(x.begin(), x.end(), transform.Input());
        transform.Forward();

        EXPECT_TRUE(std::equal(x.begin(), x.end(), transform.Input())) << "N=" << n;
        // A real signal's bins 0 and N/2 are real.
        EXPECT_EQ(transform.Bins()[1], 0.0f) << "N=" << n;
        EXPECT_EQ(transform.Bins()[n + 1], 0.0f) << "N=" << n;
        const std::vector<Complex> samples(x.begin(), x.end());
        const std::vector<Complex> roots = DspTest::UnitRoots(n, -1);
        for (const size_t k : CheckedIndices(n, n / 2)) {
            const Complex expected = DspTest::DirectBin(samples, roots, k);
            ASSERT_NEAR(transform.Bins()[2 * k], expected.real(), Tolerance(n)) << "N=" << n << " bin " << k;
            ASSERT_NEAR(transform.Bins()[2 * k + 1], expected.imag(), Tolerance(n)) << "N=" << n << " bin " << k;
        }
    }
}

TEST(RealTransform, InverseMatchesTheDirectInverseDFTAtEverySize)
{
    RealTransform transform;
    for (int32_t n = SmallestSize; n <= LargestSize; n *= 2) {
        transform.Prepare(n);
        // Random bins 0 .. N/2; the imaginary parts of bins 0 and N/2 count for nothing.
        const std::vector<float> bins = DspTest::RandomVector(n + 2, 31u + n);
        std::copy(bins.begin(), bins.end(), transform.Bins());
        std::vector<Complex> spectrum(n);
        for (int32_t k = 0; k <= n / 2; ++k) {
            const bool real = k == 0 || k == n / 2;
            spectrum[k] = {bins[2 * k], real ? 0.0 : bins[2 * k + 1]};
            if (!real)
                spectrum[n - k] = std::conj(spectrum[k]);
        }
        transform.Inverse();

        const std::vector<Complex> roots = DspTest::UnitRoots(n, +1);
        for (const size_t i : CheckedIndices(n, n - 1)) {
            const double expected = DspTest::DirectBin(spectrum, roots, i).real();
            ASSERT_NEAR(transform.Output()[i], expected, Tolerance(n)) << "N=" << n << " sample " << i;
        }
    }
}

} // namespace
