#include "dsp/ModeChange.h"

#include "core/MainWindowValues.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/Demodulators.h"
#include "dsp/DoDSP.h"
#include "dsp/DoDSPIQ.h"
#include "dsp/FilterObjects.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveState.h"

#include <algorithm>

namespace {

// The demodulator's own filter pair, in front of it.
enum class Pair { None, Phasing, Sideband, Hilbert };

Pair PairOf(bool iq, int32_t mode)
{
    switch (mode) {
    case DemodModeEnum::AM:
        return iq ? Pair::None : Pair::Phasing;   // the I/Q chain's phasing pair forms its IF
    case DemodModeEnum::USB:
    case DemodModeEnum::LSB:
        return Pair::Sideband;
    case DemodModeEnum::FM:
        return Pair::Hilbert;
    default:   // BC, and DRM and SAM: on I/Q the IF's quadrature pair
        return iq ? Pair::Hilbert : Pair::None;
    }
}

bool UsesAFFilter(bool iq, int32_t mode)
{
    switch (mode) {
    case DemodModeEnum::AM:
    case DemodModeEnum::FM:
    case DemodModeEnum::BC:
        return true;
    case DemodModeEnum::USB:
    case DemodModeEnum::LSB:
        return iq;
    case DemodModeEnum::SAM:
        return !iq;
    default:   // DRM
        return false;
    }
}

void ClearPair(Pair pair)
{
    switch (pair) {
    case Pair::Phasing:
        PhaseFilterI.ClearHistory();
        PhaseFilterQ.ClearHistory();
        break;
    case Pair::Sideband:
        SSBFilterI.ClearHistory();
        SSBFilterQ.ClearHistory();
        break;
    case Pair::Hilbert:
        HilbertI.ClearHistory();
        HilbertQ.ClearHistory();
        break;
    case Pair::None:
        break;
    }
}

void ClearDemodulators()
{
    FMLastPhase = 0.0f;
    BCHistory.fill(0.0f);
}

void ClearAudioStages()
{
    AFFilter.ClearHistory();
    NRFilter.ClearHistory();
    DynFilter.ClearHistory();
    NotchOverlap.fill(0.0f);
    IQNotchOverlap.fill(0.0f);
}

// Blocks until every stage of the mode's path holds the new signal only: a filter of a
// block's length (or shorter) is through its start after one block of steady input, and
// each stage in series adds one.
int32_t PathBlocks(bool iq, int32_t mode, bool withIFFilter, bool playback)
{
    if (playback)   // a recording passes the AF filter and the AF notch only
        return 1 + (NotchFilter.Active && NotchType == NotchTypeEnum::AF ? 1 : 0);
    int32_t blocks = withIFFilter && IFFilter.Active ? 1 : 0;
    if (PairOf(iq, mode) != Pair::None)
        ++blocks;
    if (UsesAFFilter(iq, mode))
        ++blocks;
    if (NBOn)
        ++blocks;
    if (NotchFilter.Active && NotchType == NotchTypeEnum::AF)
        ++blocks;
    if (DynFilter.Active)
        ++blocks;
    return blocks;
}

void StartMode(bool iq, int32_t mode, bool redesigned, bool playback)
{
    ClearPair(PairOf(iq, mode));
    ClearDemodulators();
    ClearAudioStages();
    AGCRestart = true;
    ModeFillBlocks = std::max(ModeFillBlocks, PathBlocks(iq, mode, redesigned, playback));
}

} // namespace

void EnterBlockMode(bool iq, int32_t mode, bool playback)
{
    // A playback starts afresh even as the first block after power-on.
    const bool changed = (playback && !LastBlockPlayback) ||
                         (LastBlockMode != NoBlockMode &&
                          (mode != LastBlockMode || iq != LastBlockIQ || playback != LastBlockPlayback));
    LastBlockMode = mode;
    LastBlockIQ = iq;
    LastBlockPlayback = playback;
    if (changed)
        StartMode(iq, mode, false, playback);
}

void FiltersDesignedFor(int32_t mode)
{
    const bool changed = LastDesignMode != NoBlockMode && mode != LastDesignMode;
    LastDesignMode = mode;
    if (changed)
        StartMode(IQModeOn, mode, true, LastBlockPlayback);
}

void SilenceWhileModeFills(std::span<float> Samples)
{
    if (ModeFillBlocks <= 0)
        return;
    RequireElements(Samples.size(), BlockSize, "SilenceWhileModeFills");
    QELVO::Zero_S(Samples.data(), BlockSize);
    --ModeFillBlocks;
}

void StartChainAfresh()
{
    for (clsFFTFilter* filter : {&IFFilter, &IFFilterQ, &NotchFilter, &NotchFilter2})
        filter->ClearHistory();
    for (const Pair pair : {Pair::Phasing, Pair::Sideband, Pair::Hilbert})
        ClearPair(pair);
    ClearDemodulators();
    ClearAudioStages();
}

void ForgetBlockMode()
{
    LastBlockMode = NoBlockMode;
    LastBlockIQ = false;
    LastBlockPlayback = false;
    LastDesignMode = NoBlockMode;
    ModeFillBlocks = 0;
}
