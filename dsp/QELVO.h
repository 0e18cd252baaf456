#pragma once

#include <cstdint>
#include <span>
#include <string>

// The program's vector-arithmetic layer: the primitives the receive chain, the sound-card
// engine and the recorder call on every block, the probe for the optional Intel signal
// processing library, the start of the library oscillator, the numerically controlled
// oscillator and a few utilities. Vectors are passed as their first element and a count;
// the primitives never allocate and never check bounds.
namespace QELVO {

// True routes the primitives to the Intel library. That library does not exist on this
// platform, so CheckSPL leaves SPLAvailable False, nothing may set UseSPL, and every
// primitive uses the program's own vector library (dsp/VectorLib.h).
inline bool UseSPL = false;
inline bool SPLAvailable = false;     // the probe found the Intel library at file version "4, 5, 2, 2"
inline bool DDSDLLAvailable = false;  // the library oscillator started: MakeNCO uses it

void Copy_16(const int16_t* src, int16_t* dst, int32_t n);  // dst[0..n-1] = src[0..n-1]; ranges may overlap
void Zero_16(int16_t* dst, int32_t n);                      // dst[0..n-1] = 0
void Copy_S(const float* src, float* dst, int32_t n);       // ranges may overlap
void Copy_D(const double* src, double* dst, int32_t n);     // ranges may overlap
void Zero_S(float* dst, int32_t n);

// mag = sqrt(re^2 + im^2); phase = angle of (re, im) in radians.
void CartToPolar_S(const float* re, const float* im, float* mag, float* phase, int32_t n);
void VecMpy_S_1(float value, float* dst, int32_t n);                    // dst *= value
void VecMpy_S_2(const float* src, float* dst, int32_t n);               // dst *= src
void VecMpy_S_3(const float* a, const float* b, float* dst, int32_t n); // dst = a * b
void VecAdd_S_2(const float* src, float* dst, int32_t n);               // dst += src
float MaxAbs_S(const float* src, int32_t n);                            // largest absolute value

// The start-up probe: SPLAvailable becomes True only for the Intel library at file
// version "4, 5, 2, 2" exactly.
void CheckSPL();
// Starts the library oscillator; DDSDLLAvailable tells whether it started.
void InitDDSDLL(int32_t PhaseBits, int32_t TableBits, int32_t BlockSize);

// Fills one block of SinOut and CosOut with the oscillator running on from the previous
// call, the phase advancing by PhaseInc (2^30 is a full cycle) before each sample, and
// scales both by Amplitude unless it is exactly 1. The block is 2048 samples, or the
// block size the library oscillator was started with while it is in use; shorter arrays
// raise RuntimeError.
void MakeNCO(int32_t PhaseInc, std::span<float> SinOut, std::span<float> CosOut, float Amplitude);

double Log10(double X);        // log10 |X + 1E-99|; 0 where that is undefined
std::string UTCTimeStamp();    // the time of day in UTC, "hh:mm:ss"

} // namespace QELVO
