#include "support/TonePurity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

// The peak is first looked for in this many samples at the start, then the fit is refined on
// a stretch four times as long each time: a fit on n samples places the frequency well within
// the reach of the next one's Gauss-Newton steps, which only converge from a fraction of a bin.
constexpr size_t FirstStretch = 4096;
constexpr size_t StretchGrowth = 4;
constexpr int StepsPerStretch = 2;

// a*cos(w*t) + b*sin(w*t) + c, with t counted from the middle of the stretch fitted.
struct Sine
{
    double Omega = 0;   // radians per sample
    double Cos = 0;
    double Sin = 0;
    double Offset = 0;
};

// cos(w*t) and sin(w*t) for t stepping by one sample, by rotation: far cheaper than the
// library calls, and its rounding error over a few hundred thousand steps stays far below
// what the fit can resolve.
class Phasor
{
public:
    Phasor(double omega, double startTime)
        : cos_(std::cos(omega * startTime)), sin_(std::sin(omega * startTime)),
          stepCos_(std::cos(omega)), stepSin_(std::sin(omega))
    {
    }
    double Cos() const { return cos_; }
    double Sin() const { return sin_; }
    void Step()
    {
        const double next = cos_ * stepCos_ - sin_ * stepSin_;
        sin_ = sin_ * stepCos_ + cos_ * stepSin_;
        cos_ = next;
    }

private:
    double cos_, sin_, stepCos_, stepSin_;
};

double MiddleOf(size_t length) { return 0.5 * static_cast<double>(length - 1); }

template <size_t N>
using Matrix = std::array<std::array<double, N>, N>;

// Gaussian elimination with partial pivoting; the systems here are small and well posed
// unless the samples hold no tone at all, when the result is merely useless, not undefined.
template <size_t N>
std::array<double, N> Solve(Matrix<N> a, std::array<double, N> b)
{
    for (size_t col = 0; col < N; ++col) {
        size_t pivot = col;
        for (size_t row = col + 1; row < N; ++row)
            if (std::abs(a[row][col]) > std::abs(a[pivot][col]))
                pivot = row;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        if (a[col][col] == 0)
            return {};
        for (size_t row = col + 1; row < N; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (size_t k = col; k < N; ++k)
                a[row][k] -= factor * a[col][k];
            b[row] -= factor * b[col];
        }
    }
    std::array<double, N> x{};
    for (size_t row = N; row-- > 0;) {
        double sum = b[row];
        for (size_t k = row + 1; k < N; ++k)
            sum -= a[row][k] * x[k];
        x[row] = sum / a[row][row];
    }
    return x;
}

// Least squares over J's columns: the normal equations, accumulated sample by sample.
template <size_t N>
class LeastSquares
{
public:
    void Add(const std::array<double, N>& column, double value)
    {
        for (size_t i = 0; i < N; ++i) {
            rhs_[i] += column[i] * value;
            for (size_t j = 0; j < N; ++j)
                normal_[i][j] += column[i] * column[j];
        }
    }
    std::array<double, N> Solution() const { return Solve<N>(normal_, rhs_); }

private:
    Matrix<N> normal_{};
    std::array<double, N> rhs_{};
};

// The sine of the given frequency that best fits x.
Sine FitAt(std::span<const double> x, double omega)
{
    LeastSquares<3> fit;
    Phasor phasor(omega, -MiddleOf(x.size()));
    for (double value : x) {
        fit.Add({phasor.Cos(), phasor.Sin(), 1.0}, value);
        phasor.Step();
    }
    const auto [a, b, c] = fit.Solution();
    return {omega, a, b, c};
}

// x less the sine, its offset included.
std::vector<double> Less(std::span<const double> x, const Sine& sine)
{
    std::vector<double> left(x.size());
    Phasor phasor(sine.Omega, -MiddleOf(x.size()));
    for (size_t n = 0; n < x.size(); ++n) {
        left[n] = x[n] - (sine.Cos * phasor.Cos() + sine.Sin * phasor.Sin() + sine.Offset);
        phasor.Step();
    }
    return left;
}

// Mean square of what the sine leaves of x.
double ResidualPower(std::span<const double> x, const Sine& sine)
{
    double sum = 0;
    for (const double left : Less(x, sine))
        sum += left * left;
    return sum / static_cast<double>(x.size());
}

// One Gauss-Newton step on all four parameters; only the new frequency is kept, and only if
// the best sine there leaves less than before (halving the step otherwise), so that a step
// can never lead the fit away from the tone.
Sine GaussNewtonStep(std::span<const double> x, const Sine& sine)
{
    LeastSquares<4> step;
    const double middle = MiddleOf(x.size());
    Phasor phasor(sine.Omega, -middle);
    for (size_t n = 0; n < x.size(); ++n) {
        const double t = static_cast<double>(n) - middle;
        const double c = phasor.Cos(), s = phasor.Sin();
        const double left = x[n] - (sine.Cos * c + sine.Sin * s + sine.Offset);
        step.Add({c, s, 1.0, t * (sine.Sin * c - sine.Cos * s)}, left);
        phasor.Step();
    }
    double omegaStep = step.Solution()[3];
    const double before = ResidualPower(x, sine);
    for (int halvings = 0; halvings < 8; ++halvings, omegaStep *= 0.5) {
        const Sine trial = FitAt(x, sine.Omega + omegaStep);
        if (ResidualPower(x, trial) <= before)
            return trial;
    }
    return sine;
}

// |DFT| of the Hann-windowed samples at one frequency.
double WindowedMagnitude(std::span<const double> windowed, double omega)
{
    Phasor phasor(omega, 0.0);
    double re = 0, im = 0;
    for (double value : windowed) {
        re += value * phasor.Cos();
        im -= value * phasor.Sin();
        phasor.Step();
    }
    return std::hypot(re, im);
}

// The strongest frequency near approximateOmega: a scan in half-bin steps, refined by a
// parabola through the log magnitudes around the highest point.
double PeakOmega(std::span<const double> x, double approximateOmega)
{
    const size_t length = x.size();
    std::vector<double> windowed(length);
    for (size_t n = 0; n < length; ++n)
        windowed[n] = x[n] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(length)));

    const double step = std::numbers::pi / static_cast<double>(length);
    const double reach = std::max(0.1 * approximateOmega, 8 * step);
    const double low = std::max(step, approximateOmega - reach);
    const double high = std::min(std::numbers::pi - step, approximateOmega + reach);
    std::vector<double> logMagnitudes;
    for (double omega = low; omega <= high; omega += step)
        logMagnitudes.push_back(std::log(WindowedMagnitude(windowed, omega) + 1e-300));
    if (logMagnitudes.empty())
        return approximateOmega;

    const auto peak = static_cast<size_t>(std::max_element(logMagnitudes.begin(), logMagnitudes.end()) - logMagnitudes.begin());
    double offset = 0;
    if (peak > 0 && peak + 1 < logMagnitudes.size()) {
        const double left = logMagnitudes[peak - 1], centre = logMagnitudes[peak], right = logMagnitudes[peak + 1];
        const double curvature = left - 2 * centre + right;
        if (curvature < 0)
            offset = 0.5 * (left - right) / curvature;
    }
    return low + (static_cast<double>(peak) + offset) * step;
}

// The sine near approximateOmega that best fits x: found on a short stretch at the start, then
// refined on ever longer ones.
Sine FitSine(std::span<const double> x, double approximateOmega)
{
    size_t length = std::min(x.size(), FirstStretch);
    Sine sine = FitAt(x.first(length), PeakOmega(x.first(length), approximateOmega));
    for (;;) {
        for (int k = 0; k < StepsPerStretch; ++k)
            sine = GaussNewtonStep(x.first(length), sine);
        if (length == x.size())
            return sine;
        length = std::min(x.size(), StretchGrowth * length);
        sine = FitAt(x.first(length), sine.Omega);
    }
}

double Amplitude(const Sine& sine) { return std::hypot(sine.Cos, sine.Sin); }

double OmegaOf(double hz, double sampleRate) { return 2 * std::numbers::pi * hz / sampleRate; }

double HzOf(const Sine& sine, double sampleRate) { return sine.Omega * sampleRate / (2 * std::numbers::pi); }

// Power of the tones over the residual's, in dB.
double SnrDb(double tonePower, double residualPower)
{
    if (tonePower == 0)
        return -std::numeric_limits<double>::infinity();
    if (residualPower == 0)
        return std::numeric_limits<double>::infinity();
    return 10 * std::log10(tonePower / residualPower);
}

} // namespace

ToneFit FitTone(std::span<const int16_t> samples, double sampleRate, double approximateHz)
{
    const std::vector<double> x(samples.begin(), samples.end());
    if (x.size() < 16)
        return {};
    const Sine sine = FitSine(x, OmegaOf(approximateHz, sampleRate));
    const double amplitude = Amplitude(sine);
    return {HzOf(sine, sampleRate), amplitude, SnrDb(0.5 * amplitude * amplitude, ResidualPower(x, sine))};
}

TonesFit FitTones(std::span<const int16_t> samples, double sampleRate, double firstHz, double secondHz)
{
    const std::vector<double> x(samples.begin(), samples.end());
    if (x.size() < 16)
        return {};
    // Each tone is fitted to what the other leaves, twice over: the first fit of each still
    // feels the other a little, the second no longer does.
    Sine first = FitSine(x, OmegaOf(firstHz, sampleRate));
    Sine second = FitSine(Less(x, first), OmegaOf(secondHz, sampleRate));
    first = FitSine(Less(x, second), first.Omega);
    second = FitSine(Less(x, first), second.Omega);
    const double firstAmplitude = Amplitude(first), secondAmplitude = Amplitude(second);
    const double tonePower = 0.5 * (firstAmplitude * firstAmplitude + secondAmplitude * secondAmplitude);
    const double residual = ResidualPower(Less(x, first), second);
    return {{HzOf(first, sampleRate), firstAmplitude, 0}, {HzOf(second, sampleRate), secondAmplitude, 0},
            SnrDb(tonePower, residual)};
}
