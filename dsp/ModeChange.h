#pragma once

#include <cstdint>
#include <span>

// A mode change makes no sound the input does not hold, and the AGC starts from the new
// mode's own signal. A mode starts
// - at the first block a chain runs in a mode other than the previous block's (or in the
//   other chain, or from or to a recording played back): EnterBlockMode, at the start of
//   every block;
// - when the filters are redesigned for a mode other than the one of their last design
//   (their designs follow the mode, and the first block of a mode may still have run on
//   the old ones): FiltersDesignedFor, at the end of every redesign.
// When a mode starts, the histories of the stages it runs from the IF on are cleared (the
// phasing, sideband or Hilbert pair of its demodulator, the FM discriminator's last phase,
// the envelope history, the AF filter, the noise reducer's filter, the AF notch's tails, the
// dynamic filter), the AGC forgets the old mode's peaks (AGCRestart), and the chain's output
// stays silent until every cleared stage holds the new mode's signal only: one block for each
// stage in the new mode's path (ModeFillBlocks). The AGC then starts from the first block
// that sounds. The IF side (IF notch, IF filter, the I/Q chain's phasing pair, the
// oscillator) carries the same signal in every mode and keeps its history. The first block
// and the first design after start-up start nothing: at power-on the AGC starts from its
// start-up fill.

inline constexpr int32_t NoBlockMode = -1;
inline int32_t LastBlockMode = NoBlockMode;    // DemodMode of the previous block
inline bool LastBlockIQ = false;                // the previous block ran through DoDSPIQ
inline bool LastBlockPlayback = false;          // the previous block was a recording played back
inline int32_t LastDesignMode = NoBlockMode;   // DemodMode of the last filter redesign
inline int32_t ModeFillBlocks = 0;             // blocks still to be silenced

// Called by both chains at the start of every block; playback tells whether the block is
// a recording played back. Starting (even as the first block after power-on) or ending a
// playback starts the mode afresh, as a mode change does: the AGC levels the played signal
// from its own peaks.
void EnterBlockMode(bool iq, int32_t mode, bool playback);

// Called by the filter redesign once it has designed the filters for mode.
void FiltersDesignedFor(int32_t mode);

// Called by both chains on the demodulated audio just before the AGC: silences
// Samples[0, 2048) while the new mode's stages fill.
void SilenceWhileModeFills(std::span<float> Samples);

// Forgets the previous block's mode and design, as at start-up, and ends any silence.
void ForgetBlockMode();

// The capture starts again after a stop (the receiver switched on, or its sound brought back
// after the device or the sound server went away): every stage's history, the IF side's too,
// holds the signal from before the stop. Cleared, so that none of it sounds again after the
// start (the filters' overlaps once played 21 ms of it, then whatever the new capture began
// with); the chain starts from silence, as at start-up. The AGC keeps its level.
void StartChainAfresh();
