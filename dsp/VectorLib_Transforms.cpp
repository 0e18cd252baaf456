#include "dsp/VectorLib.h"

#include <array>
#include <bit>
#include <cmath>
#include <numbers>
#include <vector>

// Transform steps, polar conversions, spectrum products, the FIR pass and the mixer.
namespace VectorLib {

namespace {

// A twiddle factor that rotates by a fixed step. It is carried in double precision and
// the single-precision step is brought back to unit length, so that thousands of
// rotations in one stage do not drift in size or angle.
class Rotator
{
public:
    Rotator(double stepRe, double stepIm)
    {
        const double length = std::hypot(stepRe, stepIm);
        stepRe_ = stepRe / length;
        stepIm_ = stepIm / length;
    }

    float Re() const { return static_cast<float>(re_); }
    float Im() const { return static_cast<float>(im_); }
    double ReD() const { return re_; }
    double ImD() const { return im_; }

    void Advance()
    {
        const double re = re_ * stepRe_ - im_ * stepIm_;
        im_ = re_ * stepIm_ + im_ * stepRe_;
        re_ = re;
    }

private:
    double re_ = 1.0;
    double im_ = 0.0;
    double stepRe_;
    double stepIm_;
};

void BitReverseCopy(const float* inRe, const float* inIm, float* outRe, float* outIm, int32_t n,
                    const int32_t* bitRev)
{
    for (int32_t i = 0; i < n; ++i) {
        outRe[bitRev[i]] = inRe[i];
        outIm[bitRev[i]] = inIm[i];
    }
}

// The twiddle factors of one stage, W^k for k < half-span, as the stage's rotator steps
// through them. They depend only on the stage and its step, so each stage's table is built
// once and kept.
struct StageTwiddles
{
    float stepRe = 0.0f;
    float stepIm = 0.0f;
    std::vector<float> re;
    std::vector<float> im;
};

const StageTwiddles& TwiddlesOf(int32_t stage, float stepRe, float stepIm)
{
    static std::array<StageTwiddles, 32> cache;
    StageTwiddles& twiddles = cache[static_cast<size_t>(stage)];
    const auto halfSpan = size_t{1} << (stage - 1);
    if (twiddles.re.size() != halfSpan || twiddles.stepRe != stepRe || twiddles.stepIm != stepIm) {
        twiddles.re.resize(halfSpan);
        twiddles.im.resize(halfSpan);
        Rotator twiddle(stepRe, stepIm);
        for (size_t k = 0; k < halfSpan; ++k) {
            twiddles.re[k] = twiddle.Re();
            twiddles.im[k] = twiddle.Im();
            twiddle.Advance();
        }
        twiddles.stepRe = stepRe;
        twiddles.stepIm = stepIm;
    }
    return twiddles;
}

// One decimation-in-time stage: butterflies of half-span halfSpan over the whole vector,
// each group of butterflies running over contiguous elements.
void ButterflyStage(float* re, float* im, int32_t n, int32_t halfSpan, const StageTwiddles& twiddles)
{
    const float* __restrict wRe = twiddles.re.data();
    const float* __restrict wIm = twiddles.im.data();
    for (int32_t start = 0; start < n; start += 2 * halfSpan) {
        float* __restrict aRe = re + start;
        float* __restrict aIm = im + start;
        float* __restrict bRe = aRe + halfSpan;
        float* __restrict bIm = aIm + halfSpan;
        for (int32_t k = 0; k < halfSpan; ++k) {
            const float tRe = bRe[k] * wRe[k] - bIm[k] * wIm[k];
            const float tIm = bRe[k] * wIm[k] + bIm[k] * wRe[k];
            bRe[k] = aRe[k] - tRe;
            bIm[k] = aIm[k] - tIm;
            aRe[k] += tRe;
            aIm[k] += tIm;
        }
    }
}

// The split's twiddle factors e^(-j 2 pi k / n), k <= n / 4, as its rotator steps through
// them; built once for each transform size and kept.
struct SplitTwiddles
{
    std::vector<double> re;
    std::vector<double> im;
};

const SplitTwiddles& SplitTwiddlesOf(int32_t n)
{
    static std::array<SplitTwiddles, 32> cache;
    SplitTwiddles& twiddles = cache[static_cast<size_t>(std::countr_zero(static_cast<uint32_t>(n)))];
    const auto count = static_cast<size_t>(n / 4) + 1;
    if (twiddles.re.size() != count) {
        twiddles.re.resize(count);
        twiddles.im.resize(count);
        const double angle = 2.0 * std::numbers::pi / n;
        Rotator twiddle(std::cos(angle), -std::sin(angle));
        for (size_t k = 0; k < count; ++k) {
            twiddles.re[k] = twiddle.ReD();
            twiddles.im[k] = twiddle.ImD();
            twiddle.Advance();
        }
    }
    return twiddles;
}

} // namespace

void FFT_S_2(const float* inRe, const float* inIm, float* outRe, float* outIm, int32_t n, int32_t order,
             const int32_t* bitRev, const float* cosTable, const float* sinTable)
{
    if (n <= 0)
        return;
    BitReverseCopy(inRe, inIm, outRe, outIm, n, bitRev);
    for (int32_t stage = 1; stage <= order; ++stage)
        ButterflyStage(outRe, outIm, n, 1 << (stage - 1), TwiddlesOf(stage, cosTable[stage], sinTable[stage]));
}

void FFT_Real_S_1(float* re, float* im, int32_t n, int32_t /*order*/)
{
    if (n < 2)
        return;
    const int32_t half = n / 2;

    // Bin 0 and bin n/2 hold the sum and the difference of the even and odd spectra at 0.
    const float z0Re = re[0];
    const float z0Im = im[0];
    re[0] = z0Re + z0Im;
    im[0] = 0.0f;
    re[half] = z0Re - z0Im;
    im[half] = 0.0f;

    // Bins k and half - k are built together from Z(k) and Z(half - k); each pair writes
    // its own four bins only, so the split works in place.
    const SplitTwiddles& twiddles = SplitTwiddlesOf(n);
    for (int32_t k = 1; k <= half / 2; ++k) {
        const int32_t mirror = half - k;
        const double zRe = re[k], zIm = im[k];
        const double zmRe = re[mirror], zmIm = im[mirror];
        const double wRe = twiddles.re[k];
        const double wIm = twiddles.im[k];
        // E = (Z(k) + conj Z(half - k)) / 2;  O = (Z(k) - conj Z(half - k)) / 2j.
        const double eRe = 0.5 * (zRe + zmRe);
        const double eIm = 0.5 * (zIm - zmIm);
        const double oRe = 0.5 * (zIm + zmIm);
        const double oIm = -0.5 * (zRe - zmRe);
        const double woRe = wRe * oRe - wIm * oIm;
        const double woIm = wRe * oIm + wIm * oRe;
        // X(k) = E + W O;  X(k + half) = E - W O;  X(half - k) and X(n - k) are their conjugates.
        re[k] = static_cast<float>(eRe + woRe);
        im[k] = static_cast<float>(eIm + woIm);
        re[n - k] = re[k];
        im[n - k] = -im[k];
        re[k + half] = static_cast<float>(eRe - woRe);
        im[k + half] = static_cast<float>(eIm - woIm);
        re[mirror] = re[k + half];
        im[mirror] = -im[k + half];
    }
}

void MakeNegFreq_S_1_P(float* re, float* im, int32_t order)
{
    const int32_t n = int32_t{1} << order;
    for (int32_t k = 1; k < n / 2; ++k) {
        re[n - k] = re[k];
        im[n - k] = -im[k];
    }
}

void CartToPolar_S_2(const float* re, const float* im, float* mag, float* phase, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        mag[i] = std::sqrt(re[i] * re[i] + im[i] * im[i]);
        phase[i] = std::atan2(im[i], re[i]);
    }
}

void PolarToCart_S_2(const float* mag, const float* phase, float* re, float* im, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        re[i] = mag[i] * std::cos(phase[i]);
        im[i] = mag[i] * std::sin(phase[i]);
    }
}

void PowerSpectrum_S_2(const float* __restrict re, const float* __restrict im, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = re[i] * re[i] + im[i] * im[i];
}

void Convolve_Cart_S_2(const float* __restrict hRe, const float* __restrict hIm, float* __restrict xRe,
                       float* __restrict xIm, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        const float re = xRe[i] * hRe[i] - xIm[i] * hIm[i];
        const float im = xRe[i] * hIm[i] + xIm[i] * hRe[i];
        xRe[i] = re;
        xIm[i] = im;
    }
}

void sHilbert(const float* __restrict work, const float* __restrict taps, float* __restrict out, int32_t nTaps,
              int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        const float* newest = work + nTaps + i;
        float sum = 0.0f;
        for (int32_t k = 0; k < nTaps; ++k)
            sum += taps[k] * newest[-k];
        out[i] = sum;
    }
}

void MixerIQ_S_S_1(const float* __restrict in, float* __restrict i, float* __restrict q, int32_t n)
{
    // The oscillator at a quarter of the sampling rate, from one step after phase 0.
    static constexpr float Cosine[4] = {0.0f, -1.0f, 0.0f, 1.0f};
    static constexpr float Sine[4] = {1.0f, 0.0f, -1.0f, 0.0f};
    for (int32_t k = 0; k < n; ++k) {
        i[k] = in[k] * Cosine[k & 3];
        q[k] = in[k] * Sine[k & 3];
    }
}

} // namespace VectorLib
