#include "ui/main/BlockLoop.h"

#include "audio/QELVODX8.h"
#include "audio/clsWavFile.h"
#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/DoDSP.h"
#include "dsp/DoDSPIQ.h"
#include "dsp/FilterObjects.h"
#include "dsp/ModeChange.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveLinks.h"
#include "dsp/ReceiveState.h"
#include "dsp/VectorLib.h"

#include <string>

namespace {

// The statistics rings hold the last 47 blocks: their write index wraps once it passes
// two seconds' worth of blocks (46.875).
void AdvanceRing(int32_t& index)
{
    index += 1;
    if (static_cast<float>(index) > 2.0f * BlocksPerSecond)
        index = 0;
}

void RecordPeak(std::array<int16_t, 48>& ring, int32_t& index, std::span<const int16_t> block)
{
    if (!PerfStatsOn)
        return;
    if (index < 0 || index >= StatsRingLength)
        index = 0;
    ring[static_cast<size_t>(index)] = VectorLib::MaxValue_16(block.data(), BlockSize);
    AdvanceRing(index);
}

bool Replaying(const clsWavFile* wavFile)
{
    if (!wavFile)
        return false;
    const int32_t mode = wavFile->PlayerMode();
    return mode == clsWavFile::ModePlaying || mode == clsWavFile::ModeReplayingRecording;
}

void SetAnalyserIQModeOff()
{
    if (ReceiveLinks::SpectrumAnalyser)
        ReceiveLinks::SpectrumAnalyser->SetIQMode(false);
}

bool FeedsSource(int32_t source)
{
    return ReceiveLinks::AnalyserActive() && ScopeSource == source;
}

} // namespace

BlockLoop::BlockLoop(std::unique_ptr<QELVODX8>& soundCard, std::unique_ptr<clsWavFile>& wavFile)
    : soundCard_(soundCard), wavFile_(wavFile)
{
    tmrScopeDisplay.setSingleShot(true);
    QObject::connect(&tmrScopeDisplay, &QTimer::timeout, &tmrScopeDisplay, [this] { tmrScopeDisplay_Timer(); });
    QObject::connect(&tmrSpectrumDisplay, &QTimer::timeout, &tmrSpectrumDisplay,
                     [this] { tmrSpectrumDisplay_Timer(); });
}

void BlockLoop::ProcessCapturedBlock(std::span<int16_t> L, std::span<int16_t> R)
{
    if (IQModeOn) {
        if (FlipIQ)
            ProcessBlockIQ(R, L);
        else
            ProcessBlockIQ(L, R);
    } else {
        if (FlipIQ)
            ProcessBlock(R, L);
        else
            ProcessBlock(L, R);
    }
}

// The display redraw after each processed block, once the block's notification has
// returned; re-arming a pending timer replaces it. The redraw's "1 ms" means "as soon as the
// loop is free": a zero-time timer does that without waking the program once more for every
// block.
void BlockLoop::BlockPlayed() { tmrScopeDisplay.start(0); }

void BlockLoop::tmrScopeDisplay_Timer()
{
    tmrScopeDisplay.stop();
    if (UpdateScopeDisplay)
        UpdateScopeDisplay();
}

// The receiver is off: the display shows its kept frame, redrawn after what the user changed.
void BlockLoop::tmrSpectrumDisplay_Timer()
{
    if (UpdateScopeDisplay)
        UpdateScopeDisplay();
}

// A block that finds its procedure busy (a nested event loop inside the previous block) is
// dropped: queueing it would let the backlog grow without bound. So is a block shorter
// than the chain's, which the chain could not read.
bool BlockLoop::TakeBlock(bool& busy, std::span<int16_t> L, std::span<int16_t> R, const char* routine)
{
    std::string why;
    if (busy)
        why = "the previous block is still being processed";
    else if (L.size() < static_cast<size_t>(BlockSize) || R.size() < static_cast<size_t>(BlockSize))
        why = "the block holds fewer than " + std::to_string(BlockSize) + " samples";
    if (why.empty())
        return true;
    ++DroppedBlocks;
    AddLog(std::string("frmMain.") + routine + ":block dropped, " + why + " (" + std::to_string(DroppedBlocks) +
           " dropped)");
    return false;
}

void BlockLoop::ProcessBlock(std::span<int16_t> L, std::span<int16_t> R)
{
    if (!TakeBlock(processBlockBusy_, L, R, "ProcessBlock"))
        return;
    BusyGuard busy(processBlockBusy_);
    TryStep([] {
        if (DSPProfiler)
            DSPProfiler->StartTiming();
    });
    TryStep([&] { ReplayInput(L); });
    TryStep(SetAnalyserIQModeOff);
    TryStep([&] {
        if (FeedsSource(ScopeSourceEnum::IFIn))
            FeedIFIn(L, R, 0, HiSideLoOn);
    });
    TryStep([&] { RecordPeak(InPeakRing, InPeakIndex, L); });
    TryStep([&] {
        if (Replaying(wavFile_.get()))
            ReplayChain(L);
        else
            DoDSP(L, R, BlockSize);
    });
    TryStep([&] { RecordPeak(OutPeakRing, OutPeakIndex, L); });
    MuteAndOutput(L);
    TryStep(SetAnalyserIQModeOff);
    TryStep([&] {
        if (FeedsSource(ScopeSourceEnum::AFOut))
            FeedAFOut(L, R);
    });
    FinishBlockTiming();
}

void BlockLoop::ProcessBlockIQ(std::span<int16_t> L, std::span<int16_t> R)
{
    if (!TakeBlock(processBlockIQBusy_, L, R, "ProcessBlockIQ"))
        return;
    BusyGuard busy(processBlockIQBusy_);
    TryStep([] {
        if (DSPProfiler)
            DSPProfiler->StartTiming();
    });
    TryStep([&] { ReplayInput(L); });
    TryStep([&] {
        if (PhaseBitCorrection)
            DelaySecondChannel(R);
    });
    TryStep([&] {
        if (!FeedsSource(ScopeSourceEnum::IFIn))
            return;
        SetAnalyserIQModeOff();
        // A crystal receiver's axis is placed without its incremental tuning.
        FeedIFIn(L, R, VFOControl ? 0 : RITOffset, IQSelectUpper);
    });
    TryStep([&] { RecordPeak(InPeakRing, InPeakIndex, L); });
    TryStep([&] {
        if (Replaying(wavFile_.get()))
            ReplayChain(L);
        else
            DoDSPIQ(L, R, BlockSize);
    });
    TryStep([&] { RecordPeak(OutPeakRing, OutPeakIndex, L); });
    MuteAndOutput(L);
    TryStep([&] {
        if (!FeedsSource(ScopeSourceEnum::AFOut))
            return;
        SetAnalyserIQModeOff();
        FeedAFOut(L, L);
    });
    FinishBlockTiming();
}

void BlockLoop::ReplayInput(std::span<int16_t> L)
{
    if (Replaying(wavFile_.get()))
        wavFile_->GetNextSamples(L.data(), static_cast<int16_t>(BlockSize));
}

// The replayed samples are demodulated audio already: only the AF filter, the AF notch
// and the AGC and output level act on them. Starting (and ending) a replay starts the mode
// afresh as a mode change does, so the AGC levels the played signal from its own peaks,
// not from the demodulator's it held before.
void BlockLoop::ReplayChain(std::span<int16_t> L)
{
    EnterBlockMode(IQModeOn, DemodMode, true);
    TryStep([&] { VectorLib::Int16ToFloat_S_2(L.data(), WorkBuffer.data(), BlockSize); });
    TryStep([] { AFFilter.Filter_FFT_S_1(WorkBuffer); });
    TryStep([] {
        if (NotchFilter.Active && NotchType == NotchTypeEnum::AF)
            NotchFilter.Filter_FFT_S_1(WorkBuffer);
    });
    TryStep([] { SilenceWhileModeFills(WorkBuffer); });
    TryStep([] { AGCAndOutputLevel(WorkBuffer); });
    TryStep([&] { VectorLib::FloatToInt16_S_2(WorkBuffer.data(), L.data(), BlockSize); });
}

// Delays the second channel by one sample, continuously across blocks.
void BlockLoop::DelaySecondChannel(std::span<int16_t> R)
{
    QELVO::Copy_16(R.data(), phaseScratch_.data(), BlockSize);
    R[0] = PrevRSample;
    PrevRSample = phaseScratch_[BlockSize - 1];
    QELVO::Copy_16(phaseScratch_.data(), R.data() + 1, BlockSize - 1);
}

void BlockLoop::FeedIFIn(std::span<const int16_t> L, std::span<const int16_t> R, int32_t RIT, bool Reverse)
{
    VectorLib::Int16ToFloat_S_2(L.data(), feedY1_.data(), BlockSize);
    VectorLib::Int16ToFloat_S_2(R.data(), feedY2_.data(), BlockSize);
    ReceiveLinks::FeedSpectrum(feedY1_, feedY2_, RIT, Reverse);
}

void BlockLoop::FeedAFOut(std::span<const int16_t> Y1, std::span<const int16_t> Y2)
{
    VectorLib::Int16ToFloat_S_2(Y1.data(), feedY1_.data(), BlockSize);
    VectorLib::Int16ToFloat_S_2(Y2.data(), feedY2_.data(), BlockSize);
    ReceiveLinks::SpectrumAnalyser->LoadSamples_S(feedY1_, feedY2_);
    ReceiveLinks::SpectrumAnalyser->SetReverseSpectrum(true);
}

// Muting only attenuates the sound card: the block is still queued and recorded, and the
// next block's output level lifts the attenuation again.
void BlockLoop::MuteAndOutput(std::span<int16_t> L)
{
    const bool muted = Mute || (MuteAFOnDRM && DemodMode == DemodModeEnum::DRM);
    if (muted && soundCard_)
        TryStep([this] { soundCard_->SetOutputAttenuation(MutedAttenuation); });
    TryStep([&] {
        if (wavFile_ && wavFile_->PlayerMode() == clsWavFile::ModeRecording)
            wavFile_->AddSamples(L.data(), BlockSize);
    });
    if (soundCard_)
        TryStep([&] { soundCard_->Output(L, L, BlockSize); });
}

// A block that used more than 90 % of its period lets the window system run once, so that
// the front panel stays responsive.
void BlockLoop::FinishBlockTiming()
{
    if (!DSPProfiler)
        return;
    TryStep([] { DSPProfiler->StopTiming(); });
    const float load = static_cast<float>(DSPProfiler->Duration / 1000000.0 / static_cast<double>(BlockPeriod));
    if (load > LoadYieldThreshold)
        TryStep(DoEvents);
    TryStep([] {
        if (!PerfStatsOn)
            return;
        if (DSPTimeIndex < 0 || DSPTimeIndex >= StatsRingLength)
            DSPTimeIndex = 0;
        DSPTimeRing[static_cast<size_t>(DSPTimeIndex)] = Numeric::CLng(DSPProfiler->Duration);
        DSPTimeIndex = (DSPTimeIndex + 1) % StatsRingLength;
    });
}
