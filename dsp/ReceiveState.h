#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The receive chain's process-wide state: the flags and values that the front panel sets
// and the chains read on every block, the shared working vector and the statistics rings.
// The main window owns and sets them; the chains, the noise reducer, the AGC and the
// filter redesign work on them. Flags shared with the receiver hardware (IQModeOn,
// IQSelectUpper, HiSideLoOn, VFOControl, RITOffset) live in core/MainWindowValues.h.

// Block geometry: 2048 samples at 48000 samples per second, FFT stages of 4096 points.
inline constexpr int32_t BlockSize = 2048;
inline constexpr int32_t SpectrumPoints = 4096;
inline constexpr size_t WorkVectorSize = 4097;   // indices 0..4096: the block, then the filters' room
inline constexpr int32_t ReceiveSampleRate = 48000;
inline constexpr float BlocksPerSecond = 23.4375f;
inline constexpr float BlockPeriod = 0.042666666f;   // seconds, held in single precision
// A block that takes more than this share of the block period lets the window system run.
inline constexpr float LoadYieldThreshold = 0.9f;

using WorkVector = std::array<float, WorkVectorSize>;

namespace DemodModeEnum {
enum : int32_t { AM = 0, USB = 1, LSB = 2, DRM = 3, FM = 4, BC = 5, SAM = 6 };
}
namespace NotchTypeEnum {
enum : int32_t { AF = 0, IF = 1 };
}
namespace NotchModeEnum {
enum : int32_t { Man = 0, Auto = 1 };
}
namespace IFFilterModeEnum {
enum : int32_t { Off = 0, Man = 1, Track = 2 };
}
namespace ScopeSourceEnum {
enum : int32_t { IFIn = 0, PreDemod = 1, PostDemod = 2, AFOut = 3 };
}

// Flags.
inline bool InDSP = false;              // a receive chain is processing a block
inline bool FiltersDirty = false;       // a redesign of all filters is wanted
inline bool NotchDirty = false;         // a redesign of the notch is wanted
inline bool FlipIQ = false;             // swap the two input channels before processing
inline bool PhaseBitCorrection = false; // delay the second channel by one sample (I/Q input)
inline bool Mute = false;               // the block loop mutes the sound card's output
inline bool PerfStatsOn = false;        // keep the per-block statistics rings
inline bool DynFilterActive = false;    // the dynamic filter follows the strongest signal
inline bool AGCOn = false;              // the AGC gain is applied
inline bool NotchActive = false;        // the notch is switched on
inline bool NBOn = false;               // the noise-reducer switch ("Experimental Noise Reducer")
inline bool IFFilterActive = false;     // the IF filter switch; its mode buttons act only while on
inline bool MusicModeActive = false;    // music mode: the lower AF edge at 50 Hz
inline bool NotchMirror = false;        // the notch passes its band instead of rejecting it

// Modes.
inline int32_t DemodMode = DemodModeEnum::AM;
inline int32_t NotchType = NotchTypeEnum::AF;
inline int32_t NotchMode = NotchModeEnum::Man;
inline int32_t IFFilterMode = IFFilterModeEnum::Track;
inline int32_t AGCMode = 1;             // index into AGCTable: 0 Off, 1 Fast, 2 Normal, 3 Slow, 4 recalled
inline int32_t ScopeSource = ScopeSourceEnum::IFIn;

// Values.
inline int32_t FilterLo = 0;            // AF pass band, Hz
inline int32_t FilterHi = 0;
inline int32_t NotchLo = 0;             // notch edges, Hz
inline int32_t NotchHi = 0;
inline int32_t IFFreq = 12000;          // IF centre, Hz: IFCentreHz plus or minus the IF shift
inline int32_t NCOPhaseInc = 268435456; // oscillator phase step for IFFreq (2^30 is a full cycle)
inline float OutputAttenuation = 0.0f;  // above 0 a gain factor; 0 or below the card's attenuation, 1/100 dB
inline float NRLevel = 0.0f;            // noise-reducer strength, 0 .. 0.4
inline float IQGainBalance = 1.0f;      // Q channel gain of the I/Q chain, measured on every block

// The main window's working vector, shared by the block loop and both chains.
inline WorkVector WorkBuffer{};

// Statistics rings.
inline std::array<float, 4> SMeterRing{};          // RMS of the last four blocks
inline int32_t SMeterRingIndex = 0;
inline std::array<float, 235> BlockPowerRing{};    // sums of squares; slots 0..233 in turn
inline int32_t BlockPowerIndex = 0;
inline std::array<int32_t, 101> PeakBinRing{};     // strongest bin of the AF pass band per block
inline int32_t PeakBinIndex = 0;
inline std::array<int16_t, 48> InPeakRing{};       // block peaks before and after processing, 47 used
inline int32_t InPeakIndex = 0;
inline std::array<int16_t, 48> OutPeakRing{};
inline int32_t OutPeakIndex = 0;
inline std::array<int32_t, 48> DSPTimeRing{};      // microseconds per block, 47 used
inline constexpr int32_t StatsRingLength = 47;     // the statistics rings' used length: two seconds of blocks
inline int32_t DSPTimeIndex = 0;

// The oscillator phase step for an IF of hertz: round(hertz x 2^30 / 48000).
int32_t PhaseIncrementFor(int32_t hertz);

// Lets window messages run while a receive chain is inside a block, so that a filter is
// never redesigned under it.
void WaitForReceiveChain();

// Raises RuntimeError 9 naming source when an array of have elements is shorter than need.
void RequireElements(size_t have, size_t need, const char* source);
