#include "ui/main/ScrollLabelApply.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/FilterObjects.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "radio/RadioControls.h"
#include "ui/common/Dial.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/frmMain.h"

#include <cmath>
#include <cstdlib>

namespace MouseOverS {

namespace {

bool freqDisplayBusy = false;
bool filterHiBusy = false;
bool filterLoBusy = false;
bool nbBusy = false;
bool outVolBusy = false;
bool notchCBusy = false;
bool notchWBusy = false;
bool agcAttackBusy = false;
bool agcDecayBusy = false;
bool ifHiBusy = false;
bool ifLoBusy = false;
bool bfoBusy = false;
bool ifShiftBusy = false;

using ScrollLabelSteps::ShowCaption;
using ScrollLabelSteps::ShowValue;

ScrollLabelRecord& Record(int16_t id) { return ScrollLabels[static_cast<size_t>(id)]; }

// The wheel direction of the last message acted on over a label: above 0 up.
int32_t WheelDirection(int16_t id) { return Record(id).LastWheelMsg.wParam; }

void SetCompanion(Slider* slider, int32_t value)
{
    if (slider)
        slider->SetValue(value);
    DoEvents();
}

void SetCompanion(Dial* dial, int32_t value)
{
    if (dial)
        dial->SetValue(value);
    DoEvents();
}

IFFilterEntry& CurrentIFFilter() { return IFFilterTable.at(static_cast<size_t>(IFFilterIndex(DemodMode, IFFilterMode))); }

} // namespace

void FreqDisplay_Wheel()
{
    if (freqDisplayBusy)
        return;
    BusyGuard busy(freqDisplayBusy);
    SkipNextDialChange = true;
    const int32_t notch = WheelDirection(1) < 0 ? -1 : 1;
    if (VFO) {
        if (notch < 0)
            VFO->Dec_Freq();
        else
            VFO->Inc_Freq();
    }
    RadioControls::dialtuner.Value(RadioControls::dialtuner.Value() + notch);
    DoEvents();
}

void lblFilterHi_Wheel()
{
    if (filterHiBusy)
        return;
    BusyGuard busy(filterHiBusy);
    FilterHi = Numeric::CLng(Record(7).Value);
    FiltersDirty = true;
}

void lblFilterLo_Wheel()
{
    if (filterLoBusy)
        return;
    BusyGuard busy(filterLoBusy);
    FilterLo = Numeric::CLng(Record(8).Value);
    FiltersDirty = true;
}

void lblNB_Wheel()
{
    if (nbBusy)
        return;
    BusyGuard busy(nbBusy);
    ScrollLabelRecord& record = Record(9);
    BusyGuard companionsMoving(record.Busy);
    NRLevel = record.Value / ((record.Max - record.Min) * 2.5f);
    ShowCaption(record, NRLevel * 100.0f);
    SetCompanion(Companions.sldNB, Numeric::CLng(record.Value));
    SetCompanion(Companions.dialNB, Numeric::CLng(record.Value));
}

void lblOutVol_Wheel()
{
    if (outVolBusy)
        return;
    BusyGuard busy(outVolBusy);
    const int32_t value = Numeric::CLng(Record(10).Value);
    SetCompanion(Companions.dialOutVol, OutputKnobPosition(Record(10).Value));
    SetCompanion(Companions.sldOutVolume, value);
    ApplyOutputVolume();
}

void ApplyOutputVolume()
{
    const ScrollLabelRecord& record = Record(10);
    const float v = record.Value;
    if (v < -50.0f) {
        OutputAttenuation = v;
        // The sound card takes the attenuation in hundredths of a decibel.
        ShowCaption(record, v / 100.0);
    } else if (v > 1.0f) {
        OutputAttenuation = v / 1000.0f + 1.0f;
        ShowCaption(record, 20.0 * QELVO::Log10(OutputAttenuation), "+");
    } else if (v >= -1.0f) {
        OutputAttenuation = 0.0f;
        ShowCaption(record, 0.0);
    }
    if (Companions.dialOutVol && record.Label)
        Companions.dialOutVol->SetReading(record.Label->text());
}

namespace {

// The level in decibels that the volume label shows for a value.
double ShownOutputLevel(float value)
{
    if (value < -50.0f)
        return value / 100.0;
    if (value > 1.0f)
        return 20.0 * std::log10(value / 1000.0 + 1.0);
    return 0.0;
}

} // namespace

int32_t OutputKnobPosition(float value)
{
    return static_cast<int32_t>(std::lround(10.0 * ShownOutputLevel(value)));
}

float OutputValueAtKnob(int32_t position)
{
    const double level = position / 10.0;
    if (level < 0.0)
        return static_cast<float>(100.0 * level);
    if (level > 0.0)
        return static_cast<float>((std::pow(10.0, level / 20.0) - 1.0) * 1000.0);
    return 0.0f;
}

void lblNotchC_Wheel()
{
    if (notchCBusy)
        return;
    BusyGuard busy(notchCBusy);
    if (NotchCentreBusy)
        return;
    BusyGuard centreBusy(NotchCentreBusy);
    const ScrollLabelRecord& record = Record(11);
    const float v = record.Value;
    float centre = v;
    if (NotchType != NotchTypeEnum::AF) {
        const bool hiSide = VFO ? VFO->HiSideLo() : HiSideLoOn;
        // The IF notch lies on the side of the IF where the receive chain finds the signal.
        centre = hiSide == IQModeOn ? static_cast<float>(IFCentreHz) - v : v + static_cast<float>(IFCentreHz);
    }
    NotchFilterCenter = Numeric::CLng(centre);
    NotchLo = NotchFilterCenter - NotchFilterWidth / 2;
    NotchHi = NotchFilterCenter + NotchFilterWidth / 2;
    if (NotchFilter.Active)
        NotchDirty = true;
    NotchCentreBusy = false;
    ShowValue(record);
}

void lblNotchW_Wheel()
{
    if (notchWBusy)
        return;
    BusyGuard busy(notchWBusy);
    const ScrollLabelRecord& record = Record(12);
    NotchPrevWidth = NotchFilterWidth;
    ShowValue(record);
    NotchFilterWidth = Numeric::CLng(record.Value);
    NotchLo = NotchFilterCenter - NotchFilterWidth / 2;
    if (NotchLo <= 0)
        NotchLo = 0;
    NotchDirty = true;
    NotchHi = NotchFilterCenter + NotchFilterWidth / 2;
}

// The attack label counts tenths of a second; the peak hold covers that many blocks, held
// within the delay line.
void lblAGCAttack_Wheel()
{
    if (agcAttackBusy)
        return;
    BusyGuard busy(agcAttackBusy);
    const ScrollLabelRecord& record = Record(13);
    AGCAttack = record.Value / 10.0f;
    ApplyAGCAttack(record.Value);
    ShowCaption(record, AGCAttack);
    AGCTable.at(static_cast<size_t>(AGCMode)).Attack = Numeric::CLng(record.Value);
}

// The decay label counts tenths of a millisecond; the gain ramp takes the whole milliseconds
// in samples, held within one block.
void lblAGCDecay_Wheel()
{
    if (agcDecayBusy)
        return;
    BusyGuard busy(agcDecayBusy);
    const ScrollLabelRecord& record = Record(14);
    AGCDecay = Numeric::CLng(record.Value / 10.0f);
    ApplyAGCDecay(AGCDecay * 10.0);
    ShowCaption(record, AGCDecay);
    AGCTable.at(static_cast<size_t>(AGCMode)).Decay = Numeric::CLng(record.Value);
}

void picScope_Wheel()
{
    if (VFO && VFO->TuneStepLock())
        return;
    const int32_t direction = WheelDirection(PicScopeIndex);
    if (direction > 0) {
        TuneUpPending = true;
        TuneDownPending = false;
    } else if (direction < 0) {
        TuneDownPending = true;
        TuneUpPending = false;
    }
}

void lblIFHi_Wheel()
{
    if (ifHiBusy)
        return;
    BusyGuard busy(ifHiBusy);
    const ScrollLabelRecord& record = Record(17);
    CurrentIFFilter().Hi = IFFilterHi = Numeric::CLng(record.Value);
    ShowValue(record);
    FiltersDirty = true;
}

void lblIFLo_Wheel()
{
    if (ifLoBusy)
        return;
    BusyGuard busy(ifLoBusy);
    const ScrollLabelRecord& record = Record(18);
    CurrentIFFilter().Lo = IFFilterLo = Numeric::CLng(record.Value);
    ShowValue(record);
    FiltersDirty = true;
}

// The offset moves the single-channel chain's IF (and its oscillator) away from the IF
// centre; the I/Q chain moves its I/Q pair instead and keeps the IF at the centre. The
// label shows the offset as the chain applies it, the negative on low-side injection.
void lblBFO_Wheel()
{
    if (bfoBusy)
        return;
    BusyGuard busy(bfoBusy);
    const float v = Record(lblBFOIndex).Value;
    RITOffset = Numeric::CLng(HiSideLoOn ? v : -v);
    Record(lblIFShiftIndex).Value = static_cast<float>(RITOffset);
    lblIFShift_Wheel();
    IFFreq = IQModeOn ? IFCentreHz : IFCentreHz + RITOffset;
    ShowCaption(Record(lblBFOIndex), RITOffset);
    NCOPhaseInc = PhaseIncrementFor(IFFreq);
    FiltersDirty = true;
}

void lblIFShift_Wheel()
{
    if (ifShiftBusy)
        return;
    BusyGuard busy(ifShiftBusy);
    const ScrollLabelRecord& record = Record(lblIFShiftIndex);
    IFFreq = Numeric::CLng(record.Value + static_cast<float>(IFCentreHz));
    ShowValue(record);
    FiltersDirty = true;
}

} // namespace MouseOverS
