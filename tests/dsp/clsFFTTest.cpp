#include "dsp/clsFFT.h"
#include "dsp/clsFFTReal.h"

#include "DspTestSignals.h"
#include "core/RuntimeError.h"
#include "fakes/FakeMessageBoxes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

using Complex = std::complex<double>;

// Float transforms of data in -1 .. 1 stay within this of the double-precision DFT.
double Tolerance(size_t n)
{
    return 2e-6 * std::sqrt(static_cast<double>(n)) * std::log2(static_cast<double>(n));
}

void ExpectDirectDFT(const std::vector<Complex>& x, const std::vector<float>& re, const std::vector<float>& im)
{
    const std::vector<Complex> expected = DspTest::DirectDFT(x, -1);
    const size_t n = x.size();
    for (size_t k = 0; k < n; ++k) {
        ASSERT_NEAR(re[k], expected[k].real(), Tolerance(n)) << "N=" << n << " bin " << k;
        ASSERT_NEAR(im[k], expected[k].imag(), Tolerance(n)) << "N=" << n << " bin " << k;
    }
}

TEST(clsFFT, MatchesTheDirectDFTOnRandomData)
{
    clsFFT fft;  // one object re-initialised for each size: a second FFTInit replaces the tables
    for (const int32_t n : {2, 8, 64, 1024, 16384}) {
        fft.FFTInit(n);
        const std::vector<float> re = DspTest::RandomVector(n, 1u + n);
        const std::vector<float> im = DspTest::RandomVector(n, 2u + n);
        std::vector<float> outRe(n), outIm(n);
        fft.FFT_S_2(re, im, outRe, outIm);

        if (n > 1024)
            continue;  // the direct DFT of 16384 points takes too long; the size is still accepted
        std::vector<Complex> x(n);
        for (int32_t i = 0; i < n; ++i)
            x[i] = {re[i], im[i]};
        ExpectDirectDFT(x, outRe, outIm);
    }
}

TEST(clsFFT, RefusesUnusableSizesAndUseBeforeInit)
{
    FakeMessageBoxes boxes;
    clsFFT fft;
    std::vector<float> in(8, 1.0f), outRe(8, 42.0f), outIm(8, 42.0f);
    fft.FFT_S_2(in, in, outRe, outIm);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt, "clsFFT not initialised, you must call Init first");
    EXPECT_EQ(outRe, std::vector<float>(8, 42.0f));

    for (const int32_t n : {0, 1, 12, 32768, -8})
        EXPECT_THROW(fft.FFTInit(n), RuntimeError) << n;
    EXPECT_FALSE(fft.IsInitialised);

    fft.FFTInit(8);
    clsFFTReal real;
    EXPECT_THROW(real.FFT_Real_S_2(in, outRe, outIm), RuntimeError);
    EXPECT_THROW(real.FFTInit(65536), RuntimeError);
    EXPECT_THROW(real.FFTInit(2), RuntimeError);
}

TEST(clsFFTReal, ForwardMatchesTheDirectDFTOnRandomData)
{
    clsFFTReal fft;
    for (const int32_t n : {4, 16, 4096}) {
        fft.FFTInit(n);
        const std::vector<float> x = DspTest::RandomVector(n, 7u + n);
        std::vector<float> re(n), im(n);
        fft.FFT_Real_S_2(x, re, im);

        ExpectDirectDFT(std::vector<Complex>(x.begin(), x.end()), re, im);
    }
}

TEST(clsFFTReal, InverseMatchesTheDirectInverseDFTAndUndoesTheForward)
{
    const int32_t n = 1024;
    clsFFTReal fft;
    fft.FFTInit(n);

    // A random spectrum with conjugate symmetry, bins 0 and N/2 real; the imaginary parts
    // the caller leaves there count for nothing, like the upper halves.
    std::vector<float> re = DspTest::RandomVector(n, 11u, 50.0f);
    std::vector<float> im = DspTest::RandomVector(n, 12u, 50.0f);
    std::vector<Complex> spectrum(n);
    for (int32_t k = 0; k <= n / 2; ++k) {
        spectrum[k] = {re[k], k == 0 || k == n / 2 ? 0.0f : im[k]};
        if (k > 0 && k < n / 2)
            spectrum[n - k] = std::conj(spectrum[k]);
    }
    std::vector<float> out(n);
    const std::vector<float> reBefore = re, imBefore = im;
    fft.IFFT_Real_S_2(re, im, out);
    EXPECT_EQ(re, reBefore);
    EXPECT_EQ(im, imBefore);
    const std::vector<Complex> expected = DspTest::DirectDFT(spectrum, +1);
    for (int32_t i = 0; i < n; ++i)
        ASSERT_NEAR(out[i], expected[i].real() / n, 50.0 * Tolerance(n) / std::sqrt(static_cast<double>(n))) << i;

    // Forward then inverse returns the samples, whatever the upper bins were overwritten with.
    const std::vector<float> x = DspTest::RandomVector(n, 13u);
    std::vector<float> xre(n), xim(n), back(n);
    fft.FFT_Real_S_2(x, xre, xim);
    for (int32_t k = n / 2 + 1; k < n; ++k)
        xre[k] = xim[k] = 1e6f;
    fft.IFFT_Real_S_2(xre, xim, back);
    for (int32_t i = 0; i < n; ++i)
        ASSERT_NEAR(back[i], x[i], 1e-5) << i;
}

} // namespace
