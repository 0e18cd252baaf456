#include "dsp/VectorLib.h"

#include "core/RuntimeError.h"

#include <cmath>
#include <numbers>
#include <string>

// Window and tap design of the FFT filters.
namespace VectorLib {

namespace {

constexpr double Pi = std::numbers::pi;

// sin(n w) / (n w), 1 at n w = 0. Scaled to a tap sum of 1 it gives the same low-pass as
// sin(n w) / n, and at w = 0 it stays defined: the limit, an all-pass of DC only.
double Sinc(double x)
{
    return x == 0.0 ? 1.0 : std::sin(x) / x;
}

// Windowed low-pass at w around centre, scaled to a tap sum of 1, added into taps times sign.
void AddNormalisedLowPass(int32_t n, double* taps, const double* window, int32_t centre, double w, double sign)
{
    double sum = 0.0;
    for (int32_t k = 0; k < n; ++k)
        sum += Sinc((k - centre) * w) * window[k];
    for (int32_t k = 0; k < n; ++k)
        taps[k] += sign * Sinc((k - centre) * w) * window[k] / sum;
}

} // namespace

void CalcWindowCoeffs_D(int32_t n, double* coeffs, int32_t windowType)
{
    if (windowType < 0 || windowType > 2)
        throw RuntimeError(5, "Invalid procedure call or argument: unknown window type " + std::to_string(windowType),
                           "VectorLib.CalcWindowCoeffs_D");
    const double m = n - 1;
    for (int32_t i = 0; i < n; ++i) {
        const double x = m > 0 ? 2.0 * Pi * i / m : 0.0;
        switch (windowType) {
        case 0: coeffs[i] = 1.0; break;
        case 1: coeffs[i] = 0.54 - 0.46 * std::cos(x); break;
        default: coeffs[i] = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x); break;
        }
    }
}

void CalcBPFilterCoeffs(int32_t n, double* taps, double wH, double wL, bool qPhase)
{
    if (n <= 0)
        return;
    const int32_t centre = (n - 1) / 2;
    for (int32_t k = 0; k < n - 1; ++k) {
        const int32_t offset = k - centre;
        if (offset == 0)
            taps[k] = qPhase ? 0.0 : (wH - wL) / Pi;
        else if (qPhase)
            taps[k] = (std::cos(offset * wH) - std::cos(offset * wL)) / (offset * Pi);
        else
            taps[k] = (std::sin(offset * wH) - std::sin(offset * wL)) / (offset * Pi);
    }
    taps[n - 1] = 0.0;
}

void CalcBSFilterCoeffs(int32_t n, double* tapsD, float* tapsS, const double* window, double wH, double wL,
                        bool /*qPhase*/)
{
    if (n <= 0)
        return;
    const int32_t centre = n / 2;
    for (int32_t k = 0; k < n; ++k)
        tapsD[k] = k == centre ? 1.0 : 0.0;
    AddNormalisedLowPass(n, tapsD, window, centre, wL, +1.0);
    AddNormalisedLowPass(n, tapsD, window, centre, wH, -1.0);
    DoubleToSingle_D_2(tapsD, tapsS, n);
}

} // namespace VectorLib
