#pragma once

#include "dsp/FFTWPlans.h"
#include "dsp/RealTransform.h"

#include <cstdint>
#include <span>
#include <vector>

// FIR filter of N taps (N = 2048 in the receive chain) designed from a lower and an upper
// edge in hertz, applied to blocks of N samples by fast convolution: overlap-add with FFTs
// of 2N points, the convolution tail of N - 2 samples carried into the next block. One
// object filters one continuous stream.
//
// Set SegmentSize (= 2N), FSampling and WindowType, call init(N), set the edges and flags,
// call MakeFilter; then Filter_FFT_S_1 once per block. Faults (a call before init, a bad
// size, a sampling rate of 0, arrays too short) raise RuntimeError.
class clsFFTFilter
{
public:
    int32_t Points = 0;          // N: taps per design and samples per block
    int32_t SegmentSize = 0;     // FFT size in bins, 2N
    int32_t FSampling = 0;       // samples per second
    int32_t FLow = 0;            // lower edge, Hz; MakeFilter raises a negative value to 0
    double FLRadians = 0.0;      // 2 pi FLow / FSampling
    int32_t FHigh = 0;           // upper edge, Hz; MakeFilter lowers it to FSampling / 2
    double FHRadians = 0.0;      // 2 pi FHigh / FSampling
    int32_t WindowType = 2;      // 0 rectangular, 1 Hamming, 2 Blackman; takes effect in init
    double HzPerBin = 0.0;       // FSampling / SegmentSize
    int32_t BinFLow = 0;         // floor(FLow / HzPerBin)
    int32_t BinFHigh = 0;        // floor(FHigh / HzPerBin + 0.5)
    int32_t BinFCount = 0;       // BinFHigh - BinFLow
    bool QPhase = false;         // the quadrature (90 degree) form of the band-pass
    double PhaseAngle = 0.0;     // stored for the phase-angle control; no design reads it
    bool NormaliseGain = false;  // band-pass taps are rescaled by (1 + mean tap) after windowing
    bool Active = false;         // in use; read by the filter's users, never by the class
    bool BandReject = false;     // a band-stop instead of a band-pass

    // Prepares blocks of N samples: N a power of two from 2 to 16384 with SegmentSize = 2N.
    // Computes the window, clears the design and the tail. Until the first MakeFilter the
    // filter turns every block into silence.
    void init(int32_t N);

    // Designs the filter from the current fields; in force from the next filtering call.
    void MakeFilter();

    // Filters SamplesInOut[0, N) in place as the next block of the stream;
    // SamplesInOut[N, 2N) is work space afterwards.
    void Filter_FFT_S_1(std::span<float> SamplesInOut);

    // Multiplies a spectrum of 2N bins, in clsFFTReal's layout, by the filter's response.
    void Filter_S_Cart_1(std::span<float> RealInOut, std::span<float> IMagInOut);

    // Copies the N taps.
    void GetFilterCoeffs_T_S(std::span<float> Coeffs) const;

    // Forgets the stream: the next block starts as the first one after init, without the
    // previous block's tail. The design stays.
    void ClearHistory();

private:
    void RequireInitialised(const char* source) const;
    static void RequireSize(std::span<const float> array, int32_t size, const char* source);
    void ClampEdges();
    void SetBinsAndRadians();
    void DesignBandPass();

    int32_t blockSize_ = 0;      // N as init saw it: the arrays and transforms are sized from it

    std::vector<double> WindowCoeffs;
    std::vector<double> FilterTCoeffsD;
    std::vector<float> FilterTCoeffsS;    // the taps, zero-padded to 2N
    std::vector<float> FilterFCoeffsRe;   // the response, 2N bins, for Filter_S_Cart_1
    std::vector<float> FilterFCoeffsIm;
    FFTWPlans::AlignedFloats ResponseBins;   // bins 0 .. N of the response / 2N, interleaved (re, im)
    std::vector<float> OverlapSamples;
    RealTransform InnerTransform;            // 2N points
};
