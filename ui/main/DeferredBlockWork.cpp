#include "ui/main/DeferredBlockWork.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/FilterObjects.h"
#include "dsp/MakeFilters.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "dsp/VectorLib.h"
#include "radio/HardwareObjects.h"
#include "radio/modSetupRX.h"
#include "ui/main/PanelHub.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int32_t PeakBinBlocks = 101;
constexpr int32_t DynFilterDeadBand = 100;   // Hz the signal centre may move unfollowed

void LetWindowMessagesRun()
{
    DoEvents();
    WaitForReceiveChain();
}

// The notch centre for a signal at audio hertz: the AF notch sits at the audio frequency,
// the IF notch where that audio lies in the IF in force (the incremental tuning moves it),
// on the side the mode's sideband takes there.
int32_t NotchCentreFor(int32_t hertz)
{
    if (NotchType != NotchTypeEnum::IF)
        return hertz;
    return SidebandAboveIF(DemodMode) ? IFFreq + hertz : IFFreq - hertz;
}

} // namespace

DeferredBlockWork::DeferredBlockWork(PanelHub& hub)
    : hub_(hub)
{
    tmrPerfStats.setSingleShot(true);
    QObject::connect(&tmrPerfStats, &QTimer::timeout, &tmrPerfStats, [this] { tmrPerfStats_Timer(); });
}

// The work is put off until the block's notifications have returned, not for a time of its
// own: a timer of 10 ms woke the program once more for every block, which cost as much as a
// fifth of its whole share of a core while it receives. A zero-time timer runs as soon as
// the loop is free, in the same wake-up as the block, and still only between blocks.
void DeferredBlockWork::Schedule() { tmrPerfStats.start(0); }

// Runs once between blocks, after a playback notification; each step that fails is skipped
// and the rest of the run goes on.
void DeferredBlockWork::tmrPerfStats_Timer()
{
    tmrPerfStats.stop();
    if (perfStatsBusy_)
        return;
    BusyGuard busy(perfStatsBusy_);
    TryStep([this] { hub_.ShowSMeter(); });
    TryStep([this] { hub_.ShowStatistics(); });
    TryStep(LetWindowMessagesRun);
    TryStep([this] { ServePendingRedesign(); });
    TryStep([this] { EstimateSignalCentre(); });
    TryStep([this] { TrackDynamicFilter(); });
    TryStep([this] { TrackAutomaticNotch(); });
    TryStep([this] { RedesignNotch(); });
    TryStep([this] { hub_.ShowOscillator(); });
    TryStep([this] { KeepInjectionConsistent(); });
}

// A redesign asked for while one is under way (this run pumps messages inside the
// block loop's and the controls' reach) stays asked for, so the next run serves it.
void DeferredBlockWork::ServePendingRedesign()
{
    if (!FiltersDirty || InMakeFilters)
        return;
    FiltersDirty = false;
    MakeFilters();
    LetWindowMessagesRun();
}

// The centre of the received signal from the strongest bins of the last 101 blocks.
void DeferredBlockWork::EstimateSignalCentre()
{
    if (!DynFilterActive && NotchMode != NotchModeEnum::Auto)
        return;
    const int32_t hzPerBin = Numeric::CLng(NotchFilter.HzPerBin);
    if (hzPerBin <= 0 || NotchFilter.Points <= 0)
        return;   // the notch filter is not set up: there is no spectrum to place the bins in
    int32_t bin = static_cast<int32_t>(VectorLib::Sum_Int32_1(PeakBinRing.data(), PeakBinBlocks) / PeakBinBlocks);
    bin += FilterLo / hzPerBin;
    PeakCentre = static_cast<int32_t>(static_cast<int64_t>(NotchFilter.FSampling / 2) * bin / NotchFilter.Points);
    NotchFilterCenter = NotchCentreFor(PeakCentre);
    hub_.ShowSignalCentre(PeakCentre);
}

// The dynamic filter follows a centre that moved by more than 100 Hz, its upper edge kept
// within the top fifth of the AF pass band and its lower edge within the bottom tenth.
void DeferredBlockWork::TrackDynamicFilter()
{
    if (!DynFilterActive)
        return;
    const int32_t shift = PeakCentre - DynLastCentre;
    if (std::abs(shift) <= DynFilterDeadBand)
        return;
    DynFilter.FHigh += shift;
    DynFilter.FLow += shift;
    if (DynFilter.Active) {
        const double width = FilterHi - FilterLo;
        if (DynFilter.FHigh < FilterHi - 0.2 * width)
            DynFilter.FHigh = Numeric::CLng(FilterHi - 0.2 * width);
        if (DynFilter.FHigh > FilterHi)
            DynFilter.FHigh = FilterHi;
        if (DynFilter.FLow > FilterLo + 0.1 * width)
            DynFilter.FLow = Numeric::CLng(FilterLo + 0.1 * width);
        if (DynFilter.FLow < FilterLo)
            DynFilter.FLow = FilterLo;
        DynFilter.MakeFilter();
        LetWindowMessagesRun();
    }
    DynLastCentre = PeakCentre;
}

// A centre that wanders by up to an eighth of the notch width does not redesign it.
void DeferredBlockWork::TrackAutomaticNotch()
{
    if (!NotchFilter.Active || NotchMode != NotchModeEnum::Auto)
        return;
    NotchLo = NotchFilterCenter - NotchFilterWidth / 2;
    NotchHi = NotchFilterCenter + NotchFilterWidth / 2;
    if (std::abs(NotchFilterCenter - NotchLastCentre) > NotchFilterWidth / 8)
        NotchDirty = true;
}

void DeferredBlockWork::RedesignNotch()
{
    if (!NotchDirty)
        return;
    NotchDirty = false;
    NotchFilter.FLow = NotchLo;
    NotchFilter.FHigh = NotchHi;
    NotchFilter.BandReject = !NotchMirror;
    NotchFilter.MakeFilter();
    NotchLastCentre = NotchFilterCenter;
}

// A receiver whose oscillator the program tunes uses the lower image; a crystal receiver's
// oscillator lies above the signal. Only a crystal receiver chooses its image, only a model
// with the option its injection side, and an I/Q receiver has no synchronous AM.
void DeferredBlockWork::KeepInjectionConsistent()
{
    hub_.ShowImageChoice(!VFOControl);
    if (VFOControl)
        IQSelectUpper = false;
    else
        HiSideLoOn = true;
    hub_.OfferLowSideInjection(modSetupRX::Model.LowSideLOOption);
    hub_.ShowSynchronousAM(!modSetupRX::Model.IQMode);
}
