#include "support/TonePurity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace {

template <size_t N>
using Square = std::array<std::array<double, N>, N>;

// Solves a x = b in place by Gaussian elimination with partial pivoting; false when a is
// singular.
template <size_t N>
bool Solve(Square<N>& a, std::array<double, N>& b)
{
    for (size_t col = 0; col < N; ++col) {
        size_t pivot = col;
        for (size_t row = col + 1; row < N; ++row)
            if (std::abs(a[row][col]) > std::abs(a[pivot][col]))
                pivot = row;
        if (a[pivot][col] == 0.0)
            return false;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (size_t row = col + 1; row < N; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (size_t k = col; k < N; ++k)
                a[row][k] -= factor * a[col][k];
            b[row] -= factor * b[col];
        }
    }
    for (size_t col = N; col-- > 0;) {
        for (size_t k = col + 1; k < N; ++k)
            b[col] -= a[col][k] * b[k];
        b[col] /= a[col][col];
    }
    return true;
}

// The sums of a least-squares fit on basis functions, one row of them at a time.
template <size_t N>
struct NormalEquations
{
    Square<N> left{};
    std::array<double, N> right{};

    void Add(const std::array<double, N>& row, double sample)
    {
        for (size_t i = 0; i < N; ++i) {
            right[i] += row[i] * sample;
            for (size_t j = i; j < N; ++j)
                left[i][j] += row[i] * row[j];
        }
    }

    bool Solve(std::array<double, N>& coefficients)
    {
        for (size_t i = 0; i < N; ++i)
            for (size_t j = 0; j < i; ++j)
                left[i][j] = left[j][i];
        coefficients = right;
        return ::Solve<N>(left, coefficients);
    }
};

// The cosine and sine of a frequency at every sample, time counted from the middle of the
// span (which keeps the sums well conditioned).
struct Carrier
{
    std::vector<double> cosine, sine, seconds;

    Carrier(size_t size, double rate, double hz) : cosine(size), sine(size), seconds(size)
    {
        const double middle = static_cast<double>(size - 1) / 2.0;
        for (size_t n = 0; n < size; ++n) {
            seconds[n] = (static_cast<double>(n) - middle) / rate;
            cosine[n] = std::cos(2.0 * std::numbers::pi * hz * seconds[n]);
            sine[n] = std::sin(2.0 * std::numbers::pi * hz * seconds[n]);
        }
    }
};

// A first estimate close enough for the least squares to converge: the tone mixed down by
// the approximate frequency, averaged over short pieces, turns at the remaining frequency.
double CoarseFrequency(std::span<const int16_t> samples, double rate, double approximateHz)
{
    constexpr size_t Pieces = 64;
    const size_t piece = samples.size() / Pieces;
    if (piece < 4)
        return approximateHz;
    std::complex<double> turn, previous;
    for (size_t p = 0; p < Pieces; ++p) {
        std::complex<double> sum;
        for (size_t n = p * piece; n < (p + 1) * piece; ++n)
            sum += static_cast<double>(samples[n]) *
                   std::polar(1.0, -2.0 * std::numbers::pi * approximateHz * static_cast<double>(n) / rate);
        if (p > 0)
            turn += sum * std::conj(previous);
        previous = sum;
    }
    return approximateHz + std::arg(turn) * rate / (2.0 * std::numbers::pi * static_cast<double>(piece));
}

} // namespace

ToneFit FitTone(std::span<const int16_t> samples, double sampleRate, double approximateHz)
{
    ToneFit fit;
    if (samples.size() < 8 || sampleRate <= 0)
        return fit;
    double hz = CoarseFrequency(samples, sampleRate, approximateHz);
    std::array<double, 3> sine{};
    // Gauss-Newton on the frequency: the fitted sine's change with the frequency is a fourth
    // basis function, whose coefficient is the correction. The sine's own fit comes first.
    for (int round = 0;; ++round) {
        const Carrier carrier(samples.size(), sampleRate, hz);
        NormalEquations<3> tone;
        for (size_t n = 0; n < samples.size(); ++n)
            tone.Add({carrier.cosine[n], carrier.sine[n], 1.0}, samples[n]);
        if (!tone.Solve(sine))
            return fit;
        std::array<double, 4> step{};
        bool settled = round >= 12;
        if (!settled) {
            NormalEquations<4> moved;
            const double a = sine[0], b = sine[1];
            for (size_t n = 0; n < samples.size(); ++n) {
                const double c = carrier.cosine[n], s = carrier.sine[n];
                moved.Add({c, s, 1.0, 2.0 * std::numbers::pi * carrier.seconds[n] * (b * c - a * s)}, samples[n]);
            }
            settled = !moved.Solve(step);
        }
        const double correction = settled ? 0.0 : std::clamp(step[3], -1.0, 1.0);
        if (std::abs(correction) < 1e-7) {
            double left = 0;
            for (size_t n = 0; n < samples.size(); ++n) {
                const double error =
                    samples[n] - (sine[0] * carrier.cosine[n] + sine[1] * carrier.sine[n] + sine[2]);
                left += error * error;
            }
            fit.FrequencyHz = hz;
            fit.Amplitude = std::hypot(sine[0], sine[1]);
            const double tonePower = fit.Amplitude * fit.Amplitude / 2.0;
            const double leftPower = left / static_cast<double>(samples.size());
            fit.SnrDb = leftPower > 0 ? 10.0 * std::log10(tonePower / leftPower)
                                      : std::numeric_limits<double>::infinity();
            return fit;
        }
        hz += correction;
    }
}
