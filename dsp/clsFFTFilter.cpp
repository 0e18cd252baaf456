#include "dsp/clsFFTFilter.h"

#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "dsp/QELVO.h"
#include "dsp/VectorLib.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr double TwoPi = 6.28318530717958;

// floor(value) as a 32-bit integer; a value out of range raises OverflowError.
int32_t FloorToLong(double value)
{
    return Numeric::CLng(Numeric::Int(value));
}

// x *= h for count complex values, each interleaved (re, im).
void MultiplyBins(const float* __restrict h, float* __restrict x, int32_t count)
{
    for (int32_t k = 0; k < 2 * count; k += 2) {
        const float re = x[k] * h[k] - x[k + 1] * h[k + 1];
        const float im = x[k] * h[k + 1] + x[k + 1] * h[k];
        x[k] = re;
        x[k + 1] = im;
    }
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
    RealTransform transform;
    transform.Prepare(2 * N);
    FFTWPlans::AlignedFloats responseBins = FFTWPlans::AllocateAligned(2 * static_cast<size_t>(N) + 2);

    Points = N;
    blockSize_ = N;
    HzPerBin = static_cast<double>(FSampling) / SegmentSize;
    WindowCoeffs = std::move(window);
    InnerTransform = std::move(transform);
    ResponseBins = std::move(responseBins);
    for (std::vector<float>* array : {&FilterTCoeffsS, &FilterFCoeffsRe, &FilterFCoeffsIm, &OverlapSamples})
        array->assign(arraySize, 0.0f);
    FilterTCoeffsD.assign(arraySize, 0.0);
}

void clsFFTFilter::ClearHistory()
{
    std::fill(OverlapSamples.begin(), OverlapSamples.end(), 0.0f);
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
    // The response is the forward, unscaled transform of the zero-padded taps (the upper half
    // of the transform's input stays zero). The filtering keeps its own copy of the lower half
    // divided by 2N, the scale of the inverse transform.
    QELVO::Copy_S(FilterTCoeffsS.data(), InnerTransform.Input(), n);
    InnerTransform.Forward();
    InnerTransform.SpreadBins(FilterFCoeffsRe.data(), FilterFCoeffsIm.data());
    QELVO::Copy_S(InnerTransform.Bins(), ResponseBins.get(), 2 * n + 2);
    QELVO::VecMpy_S_1(1.0f / static_cast<float>(2 * n), ResponseBins.get(), 2 * n + 2);
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

    // The block, zero-padded to 2N (the transform's upper half of input is never written),
    // through the transform, the response and back: its linear convolution with the taps.
    float* samples = SamplesInOut.data();
    QELVO::Copy_S(samples, InnerTransform.Input(), n);
    InnerTransform.Forward();
    MultiplyBins(ResponseBins.get(), InnerTransform.Bins(), n + 1);
    InnerTransform.Inverse();
    // A band-pass reaches 2N - 3 of the linear convolution: N - 2 samples beyond the block,
    // added to the next block. SamplesInOut[N, 2N) receive the convolution's rest as well.
    const float* convolution = InnerTransform.Output();
    VectorLib::Add_S_3(convolution, OverlapSamples.data(), samples, n - 2);
    QELVO::Copy_S(convolution + n - 2, samples + n - 2, n + 2);
    QELVO::Copy_S(convolution + n, OverlapSamples.data(), n - 2);
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
