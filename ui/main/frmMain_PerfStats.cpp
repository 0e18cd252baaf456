#include "ui/main/frmMain.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
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

#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"
#include "ui/common/Slider.h"

#include <QAbstractButton>
#include <QCheckBox>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int32_t PeakBinBlocks = 101;
constexpr int32_t DynFilterDeadBand = 100;   // Hz the signal centre may move unfollowed

QString Text(const std::string& text) { return QString::fromStdString(text); }

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

// Runs once between blocks, 10 ms after a playback notification; each step that fails is
// skipped and the rest of the run goes on.
void frmMain::tmrPerfStats_Timer()
{
    tmrPerfStats.stop();
    if (perfStatsBusy_)
        return;
    BusyGuard busy(perfStatsBusy_);
    TryStep([this] { SMeter->ShowSMeter(); });
    TryStep([this] { Statistics->ShowStatistics(); });
    TryStep(LetWindowMessagesRun);
    TryStep([this] { ServePendingRedesign(); });
    TryStep([this] { EstimateSignalCentre(); });
    TryStep([this] { TrackDynamicFilter(); });
    TryStep([this] { TrackAutomaticNotch(); });
    TryStep([this] { RedesignNotch(); });
    TryStep([this] { Statistics->ShowOscillator(); });
    TryStep([this] { KeepInjectionConsistent(); });
}

// A redesign asked for while one is under way (this run pumps messages inside the
// block loop's and the controls' reach) stays asked for, so the next run serves it.
void frmMain::ServePendingRedesign()
{
    if (!FiltersDirty || InMakeFilters)
        return;
    FiltersDirty = false;
    MakeFilters();
    LetWindowMessagesRun();
}

// The centre of the received signal from the strongest bins of the last 101 blocks.
void frmMain::EstimateSignalCentre()
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
    Receive->lblNotch->setText(Text(Format(PeakCentre, "###0")));
    Receive->sldNotch->setToolTip(Text("Fcentre : " + Format(PeakCentre, "#,###0 Hz")));
}

// The dynamic filter follows a centre that moved by more than 100 Hz, its upper edge kept
// within the top fifth of the AF pass band and its lower edge within the bottom tenth.
void frmMain::TrackDynamicFilter()
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
void frmMain::TrackAutomaticNotch()
{
    if (!NotchFilter.Active || NotchMode != NotchModeEnum::Auto)
        return;
    NotchLo = NotchFilterCenter - NotchFilterWidth / 2;
    NotchHi = NotchFilterCenter + NotchFilterWidth / 2;
    if (std::abs(NotchFilterCenter - NotchLastCentre) > NotchFilterWidth / 8)
        NotchDirty = true;
}

void frmMain::RedesignNotch()
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
void frmMain::KeepInjectionConsistent()
{
    Receive->chkIQSelectUpper->setVisible(!VFOControl);
    if (VFOControl)
        IQSelectUpper = false;
    else
        HiSideLoOn = true;
    Receive->chkTuneLo->setVisible(modSetupRX::Model.LowSideLOOption);
    if (!modSetupRX::Model.LowSideLOOption)
        Receive->chkTuneLo->setChecked(false);
    Receive->optMode[DemodModeEnum::SAM]->setVisible(!modSetupRX::Model.IQMode);
}
