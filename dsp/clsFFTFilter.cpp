#include "dsp/clsFFTFilter.h"

#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "dsp/QELVO.h"
#include "dsp/VectorLib.h"

#include <bit>
#include <cmath>

namespace {

constexpr double TwoPi = 6.28318530717958;

// floor(value) as a 32-bit integer; a value out of range raises OverflowError.
int32_t FloorToLong(double value)
{
    return Numeric::CLng(Numeric::Int(value));
}

} // namespace

void clsFFTFilter::init(int32_t N)
{
    if (N < 2 || N > 16384 || !std::has_single_bit(static_cast<uint32_t>(N)))
        throw RuntimeError(5, "Invalid procedure call or argument: blocks of " + std::to_string(N)
                                  + " samples; the filter needs a power of two from 2 to 16384",
                           "clsFFTFilter.init");
    if (SegmentSize != 2 * N)
        throw RuntimeError(5, "Invalid procedure call or argument: SegmentSize " + std::to_string(SegmentSize)
                                  + " must be twice the block of " + std::to_string(N) + " samples",
                           "clsFFTFilter.init");

    // Everything is built aside first, so that a failure leaves the object as it was.
    const auto arraySize = static_cast<size_t>(2 * N) + 1;
    std::vector<double> window(arraySize, 0.0);
    VectorLib::CalcWindowCoeffs_D(N, window.data(), WindowType);
    clsFFT innerFFT;
    innerFFT.FFTInit(2 * N);
    clsFFTReal innerFFTReal;
    innerFFTReal.FFTInit(2 * N);

    Points = N;
    blockSize_ = N;
    HzPerBin = static_cast<double>(FSampling) / SegmentSize;
    WindowCoeffs = std::move(window);
    InnerFFT = std::move(innerFFT);
    InnerFFTReal = std::move(innerFFTReal);
    for (std::vector<float>* array : {&FilterTCoeffsS, &FilterTCoeffsIm, &FilterFCoeffsRe, &FilterFCoeffsIm,
                                      &BlockSpecRe, &BlockSpecIm, &OverlapSamples})
        array->assign(arraySize, 0.0f);
    FilterTCoeffsD.assign(arraySize, 0.0);
}

void clsFFTFilter::RequireInitialised(const char* source) const
{
    if (blockSize_ == 0)
        throw RuntimeError(91, "clsFFTFilter not initialised, you must call init first", source);
}

void clsFFTFilter::RequireSize(std::span<const float> array, int32_t size, const char* source)
{
    if (array.size() < static_cast<size_t>(size))
        throw RuntimeError(9, "Subscript out of range: the filter needs " + std::to_string(size) + " elements",
                           source);
}

void clsFFTFilter::MakeFilter()
{
    RequireInitialised("clsFFTFilter.MakeFilter");
    if (FSampling <= 0 || !(HzPerBin > 0.0))
        throw RuntimeError(11, "Division by zero: the filter has no sampling rate (FSampling "
                                   + std::to_string(FSampling) + " Hz, set before init)",
                           "clsFFTFilter.MakeFilter");
    ClampEdges();
    SetBinsAndRadians();

    const int32_t n = blockSize_;
    if (BandReject)
        VectorLib::CalcBSFilterCoeffs(n, FilterTCoeffsD.data(), FilterTCoeffsS.data(), WindowCoeffs.data(),
                                      FHRadians, FLRadians, QPhase);
    else
        DesignBandPass();

    QELVO::Zero_S(FilterTCoeffsS.data() + n, n);
    QELVO::Zero_S(FilterTCoeffsIm.data(), 2 * n);
    // The response is the forward, unscaled transform of the zero-padded taps.
    InnerFFT.FFT_S_2(FilterTCoeffsS, FilterTCoeffsIm, FilterFCoeffsRe, FilterFCoeffsIm);
}

void clsFFTFilter::ClampEdges()
{
    if (FHigh > FSampling / 2.0)
        FHigh = Numeric::CLng(FSampling / 2.0);
    if (FLow < 0.1)
        FLow = 0;
}

void clsFFTFilter::SetBinsAndRadians()
{
    BinFLow = FloorToLong(FLow / HzPerBin);
    BinFHigh = FloorToLong(FHigh / HzPerBin + 0.5);
    BinFCount = BinFHigh - BinFLow;
    FHRadians = FHigh * TwoPi / FSampling;
    FLRadians = FLow * TwoPi / FSampling;
}

void clsFFTFilter::DesignBandPass()
{
    const int32_t n = blockSize_;
    VectorLib::CalcBPFilterCoeffs(n, FilterTCoeffsD.data(), FHRadians, FLRadians, QPhase);
    VectorLib::Mpy_D_2(WindowCoeffs.data(), FilterTCoeffsD.data(), n);
    if (NormaliseGain) {
        const double sum = VectorLib::Sum_D_1(FilterTCoeffsD.data(), n);
        VectorLib::Mpy_D_1(1.0 + sum / n, FilterTCoeffsD.data(), n);
    }
    VectorLib::DoubleToSingle_D_2(FilterTCoeffsD.data(), FilterTCoeffsS.data(), n);
}

void clsFFTFilter::Filter_FFT_S_1(std::span<float> SamplesInOut)
{
    RequireInitialised("clsFFTFilter.Filter_FFT_S_1");
    const int32_t n = blockSize_;
    RequireSize(SamplesInOut, 2 * n, "clsFFTFilter.Filter_FFT_S_1");

    float* samples = SamplesInOut.data();
    QELVO::Zero_S(samples + n, n);
    InnerFFTReal.FFT_Real_S_2(SamplesInOut, BlockSpecRe, BlockSpecIm);
    Filter_S_Cart_1(BlockSpecRe, BlockSpecIm);
    InnerFFTReal.IFFT_Real_S_2(BlockSpecRe, BlockSpecIm, SamplesInOut);
    // A band-pass reaches 2N - 3 of the linear convolution: N - 2 samples beyond the block.
    QELVO::VecAdd_S_2(OverlapSamples.data(), samples, n - 2);
    QELVO::Copy_S(samples + n, OverlapSamples.data(), n - 2);
}

void clsFFTFilter::Filter_S_Cart_1(std::span<float> RealInOut, std::span<float> IMagInOut)
{
    RequireInitialised("clsFFTFilter.Filter_S_Cart_1");
    const int32_t bins = 2 * blockSize_;
    RequireSize(RealInOut, bins, "clsFFTFilter.Filter_S_Cart_1");
    RequireSize(IMagInOut, bins, "clsFFTFilter.Filter_S_Cart_1");
    VectorLib::Convolve_Cart_S_2(FilterFCoeffsRe.data(), FilterFCoeffsIm.data(), RealInOut.data(), IMagInOut.data(),
                                 bins);
}

void clsFFTFilter::GetFilterCoeffs_T_S(std::span<float> Coeffs) const
{
    RequireInitialised("clsFFTFilter.GetFilterCoeffs_T_S");
    RequireSize(Coeffs, blockSize_, "clsFFTFilter.GetFilterCoeffs_T_S");
    QELVO::Copy_S(FilterTCoeffsS.data(), Coeffs.data(), blockSize_);
}
