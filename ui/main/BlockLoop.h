#pragma once

#include "core/Profiler.h"

#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class QELVODX8;
class clsWavFile;

// The block-timing profiler, created by the start-up with the shaft encoder's.
inline std::unique_ptr<Profiler> DSPProfiler;

inline bool MuteAFOnDRM = false;   // mute the sound card while the DRM decoder takes the audio

// The receive block loop: every captured block pair through the receive chain (or, while the
// recorder plays, through the replay chain) and on to the sound card and the recorder, the
// analyser fed on the way; and the analyser's redraw, paced by the played blocks while the
// receiver is on and by its own timer while it is off. The sound card and the recorder stay
// their owner's: the loop uses whatever their holders hold when a block arrives.
class BlockLoop
{
public:
    static constexpr int32_t MutedAttenuation = -40000;   // hundredths of a decibel
    // While the receiver is off the kept frame is redrawn at this pace (and only then).
    static constexpr int SpectrumDisplayInterval = 100;   // ms

    BlockLoop(std::unique_ptr<QELVODX8>& soundCard, std::unique_ptr<clsWavFile>& wavFile);
    BlockLoop(const BlockLoop&) = delete;
    BlockLoop& operator=(const BlockLoop&) = delete;

    // A captured block pair, processed in place by the chain the receiver's input calls for.
    void ProcessCapturedBlock(std::span<int16_t> L, std::span<int16_t> R);
    // A processed block was handed on to playback: the analyser's redraw is armed.
    void BlockPlayed();
    // A block is being processed (window messages may run inside it).
    bool Busy() const { return processBlockBusy_ || processBlockIQBusy_; }

    void tmrScopeDisplay_Timer();
    void tmrSpectrumDisplay_Timer();

    int32_t DroppedBlocks = 0;   // captured blocks that found the loop busy
    int16_t PrevRSample = 0;     // last sample of the previous block's second channel
    // The analyser's paced redraw, run by tmrScopeDisplay and tmrSpectrumDisplay.
    std::function<void()> UpdateScopeDisplay;
    QTimer tmrScopeDisplay;
    QTimer tmrSpectrumDisplay;

private:
    void ProcessBlock(std::span<int16_t> L, std::span<int16_t> R);
    void ProcessBlockIQ(std::span<int16_t> L, std::span<int16_t> R);
    bool TakeBlock(bool& busy, std::span<int16_t> L, std::span<int16_t> R, const char* routine);
    void ReplayInput(std::span<int16_t> L);
    void ReplayChain(std::span<int16_t> L);
    void DelaySecondChannel(std::span<int16_t> R);
    void FeedIFIn(std::span<const int16_t> L, std::span<const int16_t> R, int32_t RIT, bool Reverse);
    void FeedAFOut(std::span<const int16_t> Y1, std::span<const int16_t> Y2);
    void MuteAndOutput(std::span<int16_t> L);
    void FinishBlockTiming();

    std::unique_ptr<QELVODX8>& soundCard_;
    std::unique_ptr<clsWavFile>& wavFile_;
    bool processBlockBusy_ = false;
    bool processBlockIQBusy_ = false;
    std::array<int16_t, 2048> phaseScratch_{};
    std::array<float, 2048> feedY1_{};   // 16-bit blocks converted for the analyser
    std::array<float, 2048> feedY2_{};
};
