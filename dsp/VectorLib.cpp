#include "dsp/VectorLib.h"

#include <algorithm>
#include <cmath>
#include <limits>

// Element-wise arithmetic, conversions and reductions. Plain loops over restrict
// pointers, which the compiler vectorises.
namespace VectorLib {

void Int16ToFloat_S_2(const int16_t* __restrict src, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = src[i];
}

void FloatToInt16_S_2(const float* __restrict src, int16_t* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        const float value = src[i];
        if (std::isnan(value)) {
            dst[i] = 0;
            continue;
        }
        // nearbyint rounds half to even in the default rounding mode.
        const float clamped = std::clamp(value, -32768.0f, 32767.0f);
        dst[i] = static_cast<int16_t>(std::nearbyint(clamped));
    }
}

void DoubleToSingle_D_2(const double* __restrict src, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = static_cast<float>(src[i]);
}

void DeInterlace_S_2(const float* __restrict src, float* __restrict even, float* __restrict odd, int32_t n)
{
    for (int32_t m = 0; m < n / 2; ++m) {
        even[m] = src[2 * m];
        odd[m] = src[2 * m + 1];
    }
}

void Interlace_S_2(const float* __restrict even, const float* __restrict odd, float* __restrict dst, int32_t n)
{
    for (int32_t m = 0; m < n / 2; ++m) {
        dst[2 * m] = even[m];
        dst[2 * m + 1] = odd[m];
    }
}

void SetMemory_S(float* dst, int32_t n, float value)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = value;
}

void ShiftVectorRight_S_1(float* v, int32_t n)
{
    for (int32_t k = n - 1; k >= 0; --k)
        v[k + 1] = v[k];
}

void VectorRamp_S_1(float start, float end, float* dst, int32_t n)
{
    if (n <= 0)
        return;
    if (n == 1) {
        dst[0] = start;
        return;
    }
    const double step = (static_cast<double>(end) - start) / (n - 1);
    for (int32_t i = 0; i < n - 1; ++i)
        dst[i] = static_cast<float>(start + step * i);
    dst[n - 1] = end;
}

void Add_S_2(const float* __restrict src, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] += src[i];
}

void Add_S_3(const float* __restrict a, const float* __restrict b, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = a[i] + b[i];
}

void Sub_S_3(const float* __restrict a, const float* __restrict b, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = a[i] - b[i];
}

void Sub_S_1(float value, float* v, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] -= value;
}

void Add_S_1(float value, float* v, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] += value;
}

void Mpy_S_1(float value, float* dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] *= value;
}

void Mpy_S_2(const float* __restrict src, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] *= src[i];
}

void Mpy_S_3(const float* __restrict a, const float* __restrict b, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = a[i] * b[i];
}

void Mpy_D_1(double value, double* dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] *= value;
}

void Mpy_D_2(const double* __restrict src, double* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] *= src[i];
}

void Abs_S_1(float* v, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] = std::fabs(v[i]);
}

void Sqr_S_1(float* v, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] *= v[i];
}

void Sqr_S_2(const float* __restrict src, float* __restrict dst, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        dst[i] = src[i] * src[i];
}

float Sum_S_1(const float* v, int32_t n)
{
    // Summed in double: a block of 2048 squared 16-bit samples loses digits in single.
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i)
        sum += v[i];
    return static_cast<float>(sum);
}

double Sum_D_1(const double* v, int32_t n)
{
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i)
        sum += v[i];
    return sum;
}

int64_t Sum_Int16_1(const int16_t* v, int32_t n)
{
    int64_t sum = 0;
    for (int32_t i = 0; i < n; ++i)
        sum += v[i];
    return sum;
}

int64_t Sum_Int32_1(const int32_t* v, int32_t n)
{
    int64_t sum = 0;
    for (int32_t i = 0; i < n; ++i)
        sum += v[i];
    return sum;
}

float MaxValue_S(const float* v, int32_t n)
{
    return n > 0 ? v[MaxIndex_S(v, n)] : 0.0f;
}

int16_t MaxValue_16(const int16_t* v, int32_t n)
{
    return n > 0 ? *std::max_element(v, v + n) : int16_t{0};
}

float MaxValueAbs_S(const float* v, int32_t n)
{
    float largest = 0.0f;
    for (int32_t i = 0; i < n; ++i)
        largest = std::max(largest, std::fabs(v[i]));
    return largest;
}

int32_t MaxIndex_S(const float* v, int32_t n)
{
    int32_t best = 0;
    for (int32_t i = 1; i < n; ++i) {
        if (v[i] > v[best])
            best = i;
    }
    return best;
}

void HiThresh_S_1(float* v, float x, float y, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] = v[i] > x ? y : v[i];
}

void LowThresh_S_1(float* v, float x, float y, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] = v[i] < x ? y : v[i];
}

void LowThreshFract_S_1(float* v, float level, float fraction, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] = v[i] < level ? v[i] * fraction : v[i];
}

void CallBack(Routine routine)
{
    if (routine)
        routine();
}

} // namespace VectorLib
