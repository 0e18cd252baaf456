#include "support/ToneBreakJudge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <utility>

namespace ToneBreakJudge {

namespace {

// Adds a break at the sample unless it belongs to the one before.
void NoteBreak(std::vector<double>& breaks, size_t sample, double sampleRate)
{
    const double seconds = static_cast<double>(sample) / sampleRate;
    if (breaks.empty() || seconds - breaks.back() > BreakSpanSeconds)
        breaks.push_back(seconds);
}

// The witness closest to the break within [break - before, break + after], if any.
bool Witnessed(const std::vector<double>& witnesses, double at, double before, double after, double& seen)
{
    bool found = false;
    for (const double witness : witnesses) {
        if (witness < at - before || witness > at + after)
            continue;
        if (!found || std::abs(witness - at) < std::abs(seen - at))
            seen = witness;
        found = true;
    }
    return found;
}

} // namespace

std::vector<double> ToneBreaks(std::span<const int16_t> samples, double sampleRate, double toneHz, double thresholdSteps)
{
    const double tones[] = {toneHz};
    return TonesBreaks(samples, sampleRate, tones, thresholdSteps);
}

std::vector<double> TonesBreaks(std::span<const int16_t> samples, double sampleRate, std::span<const double> tonesHz,
                                double thresholdSteps)
{
    // What each sample misses the recurrence by: the samples before it weighed by the
    // characteristic polynomial's coefficients, highest power first.
    std::vector<double> weights{1.0};
    for (const double toneHz : tonesHz) {
        const double twiceCos = 2 * std::cos(2 * std::numbers::pi * toneHz / sampleRate);
        std::vector<double> product(weights.size() + 2, 0.0);
        for (size_t k = 0; k < weights.size(); ++k) {
            product[k] += weights[k];
            product[k + 1] -= twiceCos * weights[k];
            product[k + 2] += weights[k];
        }
        weights = std::move(product);
    }
    std::vector<double> breaks;
    const size_t order = weights.size() - 1;
    for (size_t n = order; n < samples.size(); ++n) {
        double missed = 0;
        for (size_t k = 0; k <= order; ++k)
            missed += weights[k] * samples[n - k];
        if (std::abs(missed) > thresholdSteps)
            NoteBreak(breaks, n, sampleRate);
    }
    return breaks;
}

std::vector<double> RepeatingSignalBreaks(std::span<const int16_t> samples, size_t period, int tolerance, double sampleRate)
{
    // No stretch of noise that long repeats itself by chance, nor a tone's whole period.
    const size_t repeatedAgain = std::min(period, static_cast<size_t>(BreakSpanSeconds * sampleRate));
    std::vector<double> breaks;
    bool broken = false;
    size_t lastDiffering = 0;
    for (size_t n = period; n < samples.size(); ++n) {
        if (std::abs(samples[n] - samples[n - period]) > tolerance) {
            if (!broken)
                NoteBreak(breaks, n, sampleRate);
            broken = true;
            lastDiffering = n;
        } else if (broken && n - lastDiffering >= repeatedAgain) {
            // The signal came back a period before the last sample that differed: that one was
            // still compared with the sound before.
            NoteBreak(breaks, lastDiffering + 1 - period, sampleRate);
            broken = false;
        }
    }
    return breaks;
}

const char* Describe(Cause cause)
{
    switch (cause) {
    case Cause::Input:
        return "input";
    case Cause::Reference:
        return "reference";
    case Cause::Machine:
        return "the kernel held the program";
    case Cause::Unexplained:
        break;
    }
    return "unexplained";
}

double HeldBefore(const std::vector<MachineStall>& stalls, double fromSeconds, double toSeconds)
{
    double held = 0;
    for (const MachineStall& stall : stalls)
        if (stall.HeldSeconds >= ShortestStallSeconds && stall.EndSeconds >= fromSeconds - StallReachSeconds &&
            stall.EndSeconds - stall.HeldSeconds <= toSeconds + SameMomentSeconds)
            held += stall.HeldSeconds;
    return held;
}

namespace {

// The stall that explains a break at that moment, the longest if several do.
bool HeldAt(const std::vector<MachineStall>& stalls, double at, JudgedBreak& verdict)
{
    for (const MachineStall& stall : stalls) {
        if (HeldBefore({stall}, at, at) > verdict.HeldSeconds) {
            verdict.HeldSeconds = stall.HeldSeconds;
            verdict.WitnessSeconds = stall.EndSeconds;
        }
    }
    return verdict.HeldSeconds > 0;
}

} // namespace

std::vector<JudgedBreak> Judge(const std::vector<double>& breaks, const Witnesses& witnesses)
{
    std::vector<JudgedBreak> judged;
    for (const double at : breaks) {
        JudgedBreak verdict{at, Cause::Unexplained, 0, 0};
        // An input break at t explains a played break from t on, as the program delays it.
        if (Witnessed(witnesses.Input, at, InputDelaySeconds, SameMomentSeconds, verdict.WitnessSeconds))
            verdict.By = Cause::Input;
        else if (Witnessed(witnesses.Reference, at, SameMomentSeconds, SameMomentSeconds, verdict.WitnessSeconds))
            verdict.By = Cause::Reference;
        else if (HeldAt(witnesses.Machine, at, verdict))
            verdict.By = Cause::Machine;
        judged.push_back(verdict);
    }
    return judged;
}

std::string Describe(const std::vector<JudgedBreak>& judged)
{
    std::string text;
    char item[96];
    for (const JudgedBreak& verdict : judged) {
        if (verdict.By == Cause::Unexplained)
            std::snprintf(item, sizeof item, "%s%.3f s (unexplained)", text.empty() ? "" : ", ", verdict.AtSeconds);
        else if (verdict.By == Cause::Machine)
            std::snprintf(item, sizeof item, "%s%.3f s (%s %.0f ms up to %.3f s)", text.empty() ? "" : ", ",
                          verdict.AtSeconds, Describe(verdict.By), verdict.HeldSeconds * 1000, verdict.WitnessSeconds);
        else
            std::snprintf(item, sizeof item, "%s%.3f s (%s at %.3f s)", text.empty() ? "" : ", ", verdict.AtSeconds,
                          Describe(verdict.By), verdict.WitnessSeconds);
        text += item;
    }
    return text;
}

} // namespace ToneBreakJudge
