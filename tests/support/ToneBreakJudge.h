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
// The same for a sum of sines, which obeys the recurrence whose characteristic polynomial is the
// product of each sine's z² - 2 cos(w) z + 1: a break of either tone shows.
std::vector<double> TonesBreaks(std::span<const int16_t> samples, double sampleRate, std::span<const double> tonesHz,
                                double thresholdSteps);
// The threshold for two tones recorded at 48 kHz, each at -18 dBFS or louder, as the sound
// sessions play them (-12.6 dBFS each): the recurrence through four samples carries rounding up
// some three times as far as that through two, and shows a splice some three times as large.
constexpr double PlayedTonesThresholdSteps = 160.0;
// The threshold for a 1 kHz tone recorded at 48 kHz at -12 dBFS or louder, as the backend's
// tests play it: about a sixteenth of a sample's shift where a tone at -12 dBFS crosses zero, and
// some twenty times what rounding and a bent pitch make.
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
enum class Cause { Input, Reference, Machine, Unexplained };
const char* Describe(Cause cause);

// A time the kernel held the program: its threads waited on a run queue for a processor, or
// for pages read back from disk. A thread that sleeps, waits on a lock or drops sound of its
// own accord is held by nobody and shows in no stall.
struct MachineStall
{
    double EndSeconds = 0;    // where it ended, in seconds of the recording
    double HeldSeconds = 0;   // how long the kernel held the program within it
};

// What saw a break, each in seconds of the played tone's recording.
struct Witnesses
{
    // Where the signal the program received broke: the program plays that break after its own
    // delay.
    std::vector<double> Input;
    // Where a stream of the same server, played as the program plays its sound and recorded
    // as its sound is, broke: the server's own break shows in both at once.
    std::vector<double> Reference;
    // Where the kernel held the program (KernelStallWatch): the sound it could not hand on in
    // time runs out of the server's buffer a little later. The program's own trace is no
    // witness: it tells what the program did, never whose fault it was.
    std::vector<MachineStall> Machine;
};

// How far from a witness a break still counts as at the same moment. The recordings are
// aligned by their streams' starts, each where its sink had played to then, which may be up to
// a sink's period ahead of the clock: breaks the server made in the played and the reference
// stream at once were seen up to 0.1 s apart.
constexpr double SameMomentSeconds = 0.15;
// The program plays its input some blocks later, and a break of the input reaches the output
// through its filters: measured, the silence of a stopped input began 0.22 to 0.27 s later in
// what the program played, on PulseAudio and PipeWire, on a quiet machine and beside a load on
// every core. Up to this long after it, a block and a sink's period beyond that.
constexpr double InputDelaySeconds = 0.4;
// A trace line comes up to this long after the sound it tells of...
constexpr double TraceLateSeconds = 1.0;
// ...and the hole it tells of ends up to this long after the line.
constexpr double TraceEarlySeconds = 0.5;
// A stall shorter than this holds no sound back: the program hands the server its sound a
// block (43 ms) ahead at the least.
constexpr double ShortestStallSeconds = 0.01;
// The sound the program could not hand on while held runs out of the server's buffer up to its
// latency later, and is heard a sink's period after that: up to this long after the stall ended.
// Measured with the program held on a processor for 0.2 s at a time, the sound came back at
// most 0.14 s after the stall's end; twice that, and a block.
constexpr double StallReachSeconds = 0.3;

struct JudgedBreak
{
    double AtSeconds = 0;
    Cause By = Cause::Unexplained;
    double WitnessSeconds = 0;   // where the witness that explains it saw it
    double HeldSeconds = 0;      // how long the kernel held the program, where it explains it
};

// The stalls of at least ShortestStallSeconds that ended from StallReachSeconds before the
// stretch on and began by SameMomentSeconds after it (a long stall breaks the sound while it
// lasts): how long they held the program together.
double HeldBefore(const std::vector<MachineStall>& stalls, double fromSeconds, double toSeconds);

// Each break with its explanation: the input first, then the reference, then the kernel.
std::vector<JudgedBreak> Judge(const std::vector<double>& breaks, const Witnesses& witnesses);

// "1.234 s (input at 1.100 s), ..." for a test's output.
std::string Describe(const std::vector<JudgedBreak>& judged);

} // namespace ToneBreakJudge
