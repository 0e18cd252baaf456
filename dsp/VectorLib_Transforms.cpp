#include "dsp/VectorLib.h"

#include <algorithm>
#include <cmath>

// The mirror step of the real transforms, polar conversions, spectrum products, the FIR pass
// and the mixer.
namespace VectorLib {

namespace {

// Taps of the FIR pass, each with the samples it multiplies (x[i] goes with output i).
struct TapGroup
{
    static constexpr int Size = 4;
    float tap[Size] = {};
    const float* x[Size] = {};
    int count = 0;

    void Add(float value, const float* samples)
    {
        tap[count] = value;
        x[count] = samples;
        ++count;
    }

    // out[i] += tap[0] x[0][i], then tap[1] x[1][i], ..., added in that order.
    void AddProducts(float* __restrict out, int32_t n) const
    {
        if (count == Size) {
            const float* __restrict x0 = x[0];
            const float* __restrict x1 = x[1];
            const float* __restrict x2 = x[2];
            const float* __restrict x3 = x[3];
            for (int32_t i = 0; i < n; ++i)
                out[i] = (((out[i] + tap[0] * x0[i]) + tap[1] * x1[i]) + tap[2] * x2[i]) + tap[3] * x3[i];
            return;
        }
        for (int j = 0; j < count; ++j) {
            const float* __restrict samples = x[j];
            for (int32_t i = 0; i < n; ++i)
                out[i] += tap[j] * samples[i];
        }
    }
};

} // namespace

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
    if (n <= 0)
        return;
    // Up to four taps at a time over the whole block: the inner loop runs over contiguous
    // samples and is vectorised, and every output still adds its products in tap order. Zero
    // taps (every other tap of a Hilbert transformer) add nothing and are skipped.
    std::fill_n(out, n, 0.0f);
    int32_t k = 0;
    while (k < nTaps) {
        TapGroup group;
        for (; k < nTaps && group.count < TapGroup::Size; ++k) {
            if (taps[k] != 0.0f)
                group.Add(taps[k], work + nTaps - k);
        }
        group.AddProducts(out, n);
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
