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

#include "ui/common/FormControls.h"
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

// Window colours, red in the lowest byte.
constexpr int32_t Yellow = 0x00FFFF;
constexpr int32_t Green = 0x00FF00;
constexpr int32_t Red = 0x0000FF;

constexpr int32_t PowerRingBlocks = 234;
constexpr int32_t PeakBinBlocks = 101;
constexpr int32_t DynFilterDeadBand = 100;   // Hz the signal centre may move unfollowed

void SetTextColour(QWidget* label, int32_t colour) { FormControls::SetForeColour(label, static_cast<uint32_t>(colour)); }

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A block peak and its level below full scale.
std::string PeakText(float peak)
{
    return Format(peak, "##,##0  ") + Format(20.0 * QELVO::Log10(peak / 32767.0), "###,##0 dB");
}

float MeanPeak(const std::array<int16_t, 48>& ring)
{
    return static_cast<float>(VectorLib::Sum_Int16_1(ring.data(), frmMain::StatsRingLength)) /
           static_cast<float>(frmMain::StatsRingLength);
}

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
    TryStep([this] { ShowSMeter(); });
    TryStep([this] { ShowStatistics(); });
    TryStep(LetWindowMessagesRun);
    TryStep([this] { ServePendingRedesign(); });
    TryStep([this] { EstimateSignalCentre(); });
    TryStep([this] { TrackDynamicFilter(); });
    TryStep([this] { TrackAutomaticNotch(); });
    TryStep([this] { RedesignNotch(); });
    TryStep([this] { ShowOscillator(); });
    TryStep([this] { KeepInjectionConsistent(); });
}

// The mean RMS of the last four blocks above the zero point. A zero request takes the
// RMS of the last ten seconds as the new zero point.
void frmMain::ShowSMeter()
{
    float level = VectorLib::Sum_S_1(SMeterRing.data(), static_cast<int32_t>(SMeterRing.size())) / 4.0f;
    if (SMeterZeroRequested) {
        SMeterZeroRequested = false;
        const float power = VectorLib::Sum_S_1(BlockPowerRing.data(), PowerRingBlocks);
        NoiseFloor = std::sqrt(power / (static_cast<float>(PowerRingBlocks) * BlockSize));
        picSmeter[2]->setToolTip(Text("Meter Backoff=" + Format(20.0 * QELVO::Log10(NoiseFloor), "#0.00 dB")));
    }
    level -= NoiseFloor;
    if (level < 0.0f)
        level = 0.0f;
    UpdateSMeterBar(level);
}

// Lights one segment per 6 dB of level: segments 0 to S for S six-decibel steps, none
// below 6 dB, all 15 from 84 dB.
void frmMain::UpdateSMeterBar(float level)
{
    if (sMeterBarBusy_ || isMinimized())
        return;
    BusyGuard busy(sMeterBarBusy_);
    const double dB = 20.0 * QELVO::Log10(level);
    const int32_t lit = std::clamp(static_cast<int32_t>(std::floor(dB)) / 6, 0, shpSMeterTick.UBound());
    for (int32_t segment = 0; segment <= shpSMeterTick.UBound(); ++segment)
        shpSMeterTick[segment]->setVisible(lit >= 1 && segment <= lit);
}

void frmMain::ShowStatistics()
{
    if (isMinimized() || !PerfStatsOn)
        return;
    const float peakIn = MeanPeak(InPeakRing);
    lblStatsVal[0]->setText(Text(PeakText(peakIn)));
    SetTextColour(lblStatsVal[0], peakIn < 2048.0f ? Yellow : peakIn <= 16383.0f ? Green : Red);
    lblStatsVal[1]->setText(Text(PeakText(MeanPeak(OutPeakRing))));
    lblStatsVal[2]->setText(
        Text(Format(AGCGain, "#0.00  ") + Format(20.0 * QELVO::Log10(AGCGain), "#0.0 dB")));

    const float microseconds = static_cast<float>(VectorLib::Sum_Int32_1(DSPTimeRing.data(), StatsRingLength)) /
                               static_cast<float>(StatsRingLength);
    const float load = microseconds / 1000000.0f / BlockPeriod;
    lblStatsVal[4]->setText(Text(Format(load, "#0%")));
    lblStatsVal[5]->setText(Text(Format(microseconds, "#,##0 uS")));
    const float margin = LoadYieldThreshold - load;
    const int32_t colour = margin > 0.2f ? Green : margin > 0.0f ? Yellow : Red;
    SetTextColour(lblStatsVal[4], colour);
    SetTextColour(lblStatsVal[5], colour);
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
    lblNotch->setText(Text(Format(PeakCentre, "###0")));
    sldNotch->setToolTip(Text("Fcentre : " + Format(PeakCentre, "#,###0 Hz")));
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

void frmMain::ShowOscillator()
{
    if (VFO)
        lblStatsVal[3]->setText(Text(Format(VFO->OscOut() / 10.0, "#0 000 000 Hz")));
}

// A receiver whose oscillator the program tunes uses the lower image; a crystal receiver's
// oscillator lies above the signal. Only a crystal receiver chooses its image, only a model
// with the option its injection side, and an I/Q receiver has no synchronous AM.
void frmMain::KeepInjectionConsistent()
{
    chkIQSelectUpper->setVisible(!VFOControl);
    if (VFOControl)
        IQSelectUpper = false;
    else
        HiSideLoOn = true;
    chkTuneLo->setVisible(modSetupRX::Model.LowSideLOOption);
    if (!modSetupRX::Model.LowSideLOOption)
        chkTuneLo->setChecked(false);
    optMode[DemodModeEnum::SAM]->setVisible(!modSetupRX::Model.IQMode);
}
