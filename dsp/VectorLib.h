#pragma once

#include <cstdint>

// The program's vector library: element-wise arithmetic, conversions, transform steps,
// filter design, mixer and oscillator. Vectors are passed as their first element and an
// element count n. Samples are in 16-bit units: conversions never scale. Nothing here
// allocates except InitDDS, nothing checks bounds, and a count of 0 or less does nothing
// (functions returning a value then return 0). Destination vectors must not overlap their
// sources unless a function says otherwise.
namespace VectorLib {

// Conversions. FloatToInt16_S_2 rounds half to even and saturates to -32768..32767 (NaN gives 0).
void Int16ToFloat_S_2(const int16_t* src, float* dst, int32_t n);
void FloatToInt16_S_2(const float* src, int16_t* dst, int32_t n);
void DoubleToSingle_D_2(const double* src, float* dst, int32_t n);
// even[m] = src[2m], odd[m] = src[2m + 1] for m < n / 2; n counts the source elements.
void DeInterlace_S_2(const float* src, float* even, float* odd, int32_t n);
// The reverse: dst[2m] = even[m], dst[2m + 1] = odd[m] for m < n / 2; n counts dst's elements.
void Interlace_S_2(const float* even, const float* odd, float* dst, int32_t n);

void SetMemory_S(float* dst, int32_t n, float value);
// v[k + 1] = v[k] for k = n - 1 down to 0: v[n] is overwritten, v[0] keeps its value.
void ShiftVectorRight_S_1(float* v, int32_t n);
// n values from start to end, both end points included (a single value is start).
void VectorRamp_S_1(float start, float end, float* dst, int32_t n);

// Arithmetic, each in place on its last vector argument.
void Add_S_2(const float* src, float* dst, int32_t n);                 // dst += src
void Add_S_3(const float* a, const float* b, float* dst, int32_t n);   // dst = a + b
void Sub_S_3(const float* a, const float* b, float* dst, int32_t n);   // dst = a - b
void Sub_S_1(float value, float* v, int32_t n);                        // v -= value
void Add_S_1(float value, float* v, int32_t n);                        // v += value
void Mpy_S_1(float value, float* dst, int32_t n);                      // dst *= value
void Mpy_S_2(const float* src, float* dst, int32_t n);                 // dst *= src
void Mpy_S_3(const float* a, const float* b, float* dst, int32_t n);   // dst = a * b
void Mpy_D_1(double value, double* dst, int32_t n);
void Mpy_D_2(const double* src, double* dst, int32_t n);
void Abs_S_1(float* v, int32_t n);
void Sqr_S_1(float* v, int32_t n);
void Sqr_S_2(const float* src, float* dst, int32_t n);

// Reductions. Integer sums are returned wide enough not to overflow.
float Sum_S_1(const float* v, int32_t n);
double Sum_D_1(const double* v, int32_t n);
int64_t Sum_Int16_1(const int16_t* v, int32_t n);
int64_t Sum_Int32_1(const int32_t* v, int32_t n);
float MaxValue_S(const float* v, int32_t n);
int16_t MaxValue_16(const int16_t* v, int32_t n);
float MaxValueAbs_S(const float* v, int32_t n);
int32_t MaxIndex_S(const float* v, int32_t n);   // index of the first largest value, counted from v

// Thresholds: HiThresh sets every value above x to y, LowThresh every value below x to y.
void HiThresh_S_1(float* v, float x, float y, int32_t n);
void LowThresh_S_1(float* v, float x, float y, int32_t n);
void LowThreshFract_S_1(float* v, float level, float fraction, int32_t n);  // v < level: v *= fraction

// Transform steps (the transforms themselves are clsFFT's and clsFFTReal's).
// Rebuilds bins n/2 + 1 .. n - 1 (n = 2^order) as the conjugate mirror of bins n/2 - 1 .. 1.
void MakeNegFreq_S_1_P(float* re, float* im, int32_t order);

void CartToPolar_S_2(const float* re, const float* im, float* mag, float* phase, int32_t n);
void PolarToCart_S_2(const float* mag, const float* phase, float* re, float* im, int32_t n);
void PowerSpectrum_S_2(const float* re, const float* im, float* dst, int32_t n);  // dst = re^2 + im^2
// x *= h, bin by bin, as complex numbers.
void Convolve_Cart_S_2(const float* hRe, const float* hIm, float* xRe, float* xIm, int32_t n);

// Filter design.
// Window of n points: 0 rectangular, 1 Hamming, 2 Blackman; another type raises RuntimeError.
void CalcWindowCoeffs_D(int32_t n, double* coeffs, int32_t windowType);
// Band-pass taps 0..n-2 around centre (n - 1) / 2 for edges wH, wL in radians per sample;
// qPhase gives the quadrature (90 degree) form. Tap n - 1 is 0. Not windowed.
void CalcBPFilterCoeffs(int32_t n, double* taps, double wH, double wL, bool qPhase);
// Windowed band-stop taps 0..n-1 around centre n / 2, written as doubles and as singles:
// a unit impulse minus the low-pass at wH plus the low-pass at wL, each low-pass scaled to a
// tap sum of 1. qPhase has no band-stop form and is ignored.
void CalcBSFilterCoeffs(int32_t n, double* tapsD, float* tapsS, const double* window, double wH, double wL,
                        bool qPhase);

// FIR pass: out[i] = sum over k < nTaps of taps[k] * work[nTaps + i - k], i < n; work holds
// the history in [0, nTaps) and the block from nTaps on.
void sHilbert(const float* work, const float* taps, float* out, int32_t nTaps, int32_t n);

// Mixes with an oscillator at a quarter of the sampling rate: i = in * cosine, q = in * sine,
// the oscillator starting one quarter period after phase 0 on every call.
void MixerIQ_S_S_1(const float* in, float* i, float* q, int32_t n);

// Table oscillator with a phase accumulator of phaseBits bits, a sine table of 2^tableBits
// entries and blocks of blockSize samples. Raises RuntimeError for arguments it cannot serve
// (phaseBits 1..31, tableBits 1..min(phaseBits, 20), blockSize 1..65536), keeping its previous
// set-up. A successful start resets the phase to 0.
void InitDDS(int32_t phaseBits, int32_t tableBits, int32_t blockSize);
// Fills blockSize samples of sinOut and cosOut, advancing the phase by phaseStep before each
// sample and continuing from the previous call. Raises RuntimeError before a successful InitDDS.
void MakeFreq(int32_t phaseStep, float* sinOut, float* cosOut);

using Routine = void (*)();
void CallBack(Routine routine);   // runs the routine; a null routine does nothing

} // namespace VectorLib
