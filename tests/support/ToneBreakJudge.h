#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Where a recorded tone breaks, and whether something outside the program that played it
// broke it at that moment. A break of one stretch of sound is counted once: breaks closer
// than BreakSpanSeconds to the one before belong to it.
namespace ToneBreakJudge {

constexpr double BreakSpanSeconds = 0.1;

// A sine of the given frequency obeys x[n] = 2 cos(w) x[n-1] - x[n-2]: where a sample misses
// that by more than the threshold, the tone breaks (a splice, a repeat, a gap, the edges of a
// hole). Rounding to 16 bits misses it by a few steps, a pitch bent by 1 % at -12 dBFS by 3;
// a splice that moves the tone by a tenth of a sample misses it by up to about 100, where the
// tone crosses zero. Seconds from the first sample.
std::vector<double> ToneBreaks(std::span<const int16_t> samples, double sampleRate, double toneHz,
                               double thresholdSteps);
// The threshold for a 1 kHz tone recorded at 48 kHz at -12 dBFS or louder, as the sound sessions
// (-6 dBFS) and the backend's tests (-12 dBFS) play it: about a sixteenth of a sample's shift
// where a tone at -12 dBFS crosses zero, and some twenty times what rounding and a bent pitch make.
constexpr double PlayedToneThresholdSteps = 64.0;

// A signal that repeats every period samples exactly, as the rig's own players make it: where a
// sample differs from the one a period before by more than tolerance steps, it breaks. The
// samples up to a period after a break are compared with those before it, so they differ
// whatever follows: a break lasts until the signal has repeated itself again for a period, or
// for BreakSpanSeconds where the period is longer, and is seen where it began and where the
// signal came back (a hole's two edges; a quantum lost from a signal that repeats every second
// is one break, not one every BreakSpanSeconds for a second). Seconds from the first sample,
// the first period never counted.
std::vector<double> RepeatingSignalBreaks(std::span<const int16_t> samples, size_t period, int tolerance,
                                          double sampleRate);

// How a break of the played tone is explained.
enum class Cause { Input, Reference, Trace, Unexplained };
const char* Describe(Cause cause);

// What saw a break, each in seconds of the played tone's recording.
struct Witnesses
{
    // Where the signal the program received broke: the program plays that break after its own
    // delay.
    std::vector<double> Input;
    // Where a stream of the same server, played as the program plays its sound and recorded
    // as its sound is, broke: the server's own break shows in both at once.
    std::vector<double> Reference;
    // Where the program's trace told of sound it could not play as it came (its device ran dry,
    // silence played, sound left out after a hold-up): the line is written on the main thread,
    // which may have been held up itself, and the sound it tells of was played from the server's
    // buffer before or after.
    std::vector<double> Trace;
};

// How far from a witness a break still counts as at the same moment. The recordings are
// aligned by their streams' starts, each where its sink had played to then, which may be up to
// a sink's period ahead of the clock: breaks the server made in the played and the reference
// stream at once were seen up to 0.1 s apart.
constexpr double SameMomentSeconds = 0.15;
// The program plays its input from a block to a few blocks later, and a break of the input
// reaches the output through its filters: up to this long after it.
constexpr double InputDelaySeconds = 1.0;
// A trace line comes up to this long after the sound it tells of...
constexpr double TraceLateSeconds = 1.0;
// ...and the hole it tells of ends up to this long after the line.
constexpr double TraceEarlySeconds = 0.5;

struct JudgedBreak
{
    double AtSeconds = 0;
    Cause By = Cause::Unexplained;
    double WitnessSeconds = 0;   // where the witness that explains it saw it
};

// Each break with its explanation: the input first, then the reference, then the trace.
std::vector<JudgedBreak> Judge(const std::vector<double>& breaks, const Witnesses& witnesses);

// "1.234 s (input at 1.100 s), ..." for a test's output.
std::string Describe(const std::vector<JudgedBreak>& judged);

} // namespace ToneBreakJudge
