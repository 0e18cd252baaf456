#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

// Signals and reference computations shared by the signal-processing tests.
namespace DspTest {

constexpr double SampleRate = 48000.0;
constexpr double Pi = std::numbers::pi;

inline std::vector<float> RandomVector(size_t n, unsigned seed, float scale = 1.0f)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-scale, scale);
    std::vector<float> values(n);
    for (float& value : values)
        value = uniform(generator);
    return values;
}

// e^(sign j 2 pi m / N) for m = 0 .. N - 1.
inline std::vector<std::complex<double>> UnitRoots(size_t n, int sign)
{
    std::vector<std::complex<double>> roots(n);
    for (size_t m = 0; m < n; ++m)
        roots[m] = std::polar(1.0, sign * 2.0 * Pi * static_cast<double>(m) / static_cast<double>(n));
    return roots;
}

// X[k] = sum over n of x[n] e^(sign j 2 pi k n / N) for one k, with roots = UnitRoots(N, sign).
inline std::complex<double> DirectBin(const std::vector<std::complex<double>>& x,
                                      const std::vector<std::complex<double>>& roots, size_t k)
{
    const size_t n = x.size();
    std::complex<double> sum = 0.0;
    for (size_t m = 0; m < n; ++m)
        sum += x[m] * roots[(k * m) % n];
    return sum;
}

// X[k] = sum over n of x[n] e^(sign j 2 pi k n / N), in double precision.
inline std::vector<std::complex<double>> DirectDFT(const std::vector<std::complex<double>>& x, int sign)
{
    const std::vector<std::complex<double>> roots = UnitRoots(x.size(), sign);
    std::vector<std::complex<double>> spectrum(x.size());
    for (size_t k = 0; k < x.size(); ++k)
        spectrum[k] = DirectBin(x, roots, k);
    return spectrum;
}

inline double Decibels(double gain)
{
    return 20.0 * std::log10(gain);
}

// A tone in y fitted by least squares: y[i] ~ gain * amplitude * cos(w (first + i) + phase).
struct Tone
{
    double gain = 0.0;
    double phase = 0.0;
};

inline Tone FitTone(const float* y, int count, double hz, int64_t first, double amplitude)
{
    const double w = 2.0 * Pi * hz / SampleRate;
    double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
    for (int i = 0; i < count; ++i) {
        const double c = std::cos(w * static_cast<double>(first + i));
        const double s = std::sin(w * static_cast<double>(first + i));
        cc += c * c;
        ss += s * s;
        cs += c * s;
        yc += y[i] * c;
        ys += y[i] * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = (yc * ss - ys * cs) / det;
    const double b = (ys * cc - yc * cs) / det;
    return {std::hypot(a, b) / amplitude, std::atan2(-b, a)};
}

// The difference of two phases, in -pi .. pi.
inline double PhaseDifference(double later, double earlier)
{
    return std::remainder(later - earlier, 2.0 * Pi);
}

} // namespace DspTest
