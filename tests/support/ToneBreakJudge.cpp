#include "support/ToneBreakJudge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

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
    const double twiceCos = 2 * std::cos(2 * std::numbers::pi * toneHz / sampleRate);
    std::vector<double> breaks;
    for (size_t n = 2; n < samples.size(); ++n) {
        const double missed = samples[n] - twiceCos * samples[n - 1] + samples[n - 2];
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
    case Cause::Trace:
        return "trace";
    case Cause::Unexplained:
        break;
    }
    return "unexplained";
}

std::vector<JudgedBreak> Judge(const std::vector<double>& breaks, const Witnesses& witnesses)
{
    std::vector<JudgedBreak> judged;
    for (const double at : breaks) {
        JudgedBreak verdict{at, Cause::Unexplained, 0};
        // An input break at t explains a played break from t on, as the program delays it.
        if (Witnessed(witnesses.Input, at, InputDelaySeconds, SameMomentSeconds, verdict.WitnessSeconds))
            verdict.By = Cause::Input;
        else if (Witnessed(witnesses.Reference, at, SameMomentSeconds, SameMomentSeconds, verdict.WitnessSeconds))
            verdict.By = Cause::Reference;
        else if (Witnessed(witnesses.Trace, at, TraceEarlySeconds, TraceLateSeconds, verdict.WitnessSeconds))
            verdict.By = Cause::Trace;
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
        else
            std::snprintf(item, sizeof item, "%s%.3f s (%s at %.3f s)", text.empty() ? "" : ", ", verdict.AtSeconds,
                          Describe(verdict.By), verdict.WitnessSeconds);
        text += item;
    }
    return text;
}

} // namespace ToneBreakJudge
