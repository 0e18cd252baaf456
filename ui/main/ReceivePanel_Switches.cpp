#include "ui/main/ReceivePanel.h"

#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "radio/modSetupRX.h"
#include "ui/common/ClickRule.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QCheckBox>

#include <cstdlib>

namespace {

// Switches show the chosen colour while on, the normal one while off (ButtonArray's).
constexpr uint32_t OnColour = ButtonArray::ChosenColour;
constexpr uint32_t OffColour = ButtonArray::NormalColour;
constexpr uint32_t InjectionOnColour = 0x0000C0;
constexpr uint32_t InjectionOffColour = 0x0000FF;
constexpr int32_t MusicLowEdge = 50;   // Hz

bool Ticked(const QCheckBox* box) { return box->isChecked(); }

// A value label the wheel may act on, or not; its caption is greyed while it may not.
void SetLabelAvailable(int16_t id, bool available)
{
    ScrollLabels[id].Disabled = !available;
    if (ScrollLabels[id].Label)
        ScrollLabels[id].Label->setEnabled(available);
}

// Puts a check box back to a stored state without running its handler's effect again:
// the caller's busy flag is set, so the nested run returns at once.
void Restore(QCheckBox* box, bool ticked) { box->setChecked(ticked); }

}   // namespace

// The receive controls in line with the state in force: the notch switches and mode, the IF
// filter off in Track mode with its edges from the table, the mode and the AF preset (which
// switch the chain's filters on).
void ReceivePanel::InitialiseReceiveControls()
{
    ClickRule::SetCheckAndRun(chkNotchOn, NotchActive, [this] { chkNotchOn_Click(); });
    optNotch_Click(NotchMode);
    IFFilterMode = IFFilterModeEnum::Track;
    optIFFilter.Select(IFFilterMode);
    IFFilterActive = false;
    ClickRule::SetCheckAndRun(chkIFFilter, false, [this] { chkIFFilter_Click(); });
    const IFFilterEntry& edges = IFFilterTable.at(static_cast<size_t>(IFFilterIndex(DemodMode, IFFilterMode)));
    ScrollLabels[lblIFHiIndex].Value = static_cast<float>(edges.Hi);
    ScrollLabels[lblIFLoIndex].Value = static_cast<float>(edges.Lo);
    MouseOverS::lblIFHi_Wheel();
    MouseOverS::lblIFLo_Wheel();
    optMode_Click(DemodMode);
    optFilter_Click(FilterMode);
}

// A stored low-side injection shows on its box where the model offers one; a stored high
// side stays high side.
void ReceivePanel::ShowInjectionSide()
{
    if (!HiSideLoOn && modSetupRX::Model.LowSideLOOption)
        chkTuneLo->setChecked(true);
}

// Off: the edges stored with the edge sliders come back, and the dynamic filter's edges
// inside them.
void ReceivePanel::chkDynFilter_Click()
{
    DynFilterActive = DynFilter.Active = Ticked(chkDynFilter);
    if (!DynFilterActive)
        optFilter_Click(-2);
}

void ReceivePanel::chkFlipIQ_Click() { FlipIQ = Ticked(chkFlipIQ); }

// Only an I/Q receiver whose oscillator is not tuned by the program chooses its image. The
// frequency shown stays, and so does the one heard: the other image reaches it with an
// offset twice the IF away.
void ReceivePanel::chkIQSelectUpper_Click()
{
    if (!IQModeOn || VFOControl)
        return;
    const bool upper = Ticked(chkIQSelectUpper);
    FormControls::SetForeColour(chkIQSelectUpper, upper ? InjectionOnColour : InjectionOffColour);
    if (upper == IQSelectUpper)
        return;
    const int32_t shown = VFO ? VFO->TunedFrequency() : 0;
    IQSelectUpper = upper;
    hub_.TuneShownFrequency(shown);
}

void ReceivePanel::chkNB_Click()
{
    NBOn = Ticked(chkNB);
    dialNB->setVisible(NBOn);
    sldNB->setEnabled(NBOn);
    SetLabelAvailable(lblNBIndex, NBOn);
}

void ReceivePanel::chkNotchOn_Click()
{
    NotchActive = NotchFilter.Active = Ticked(chkNotchOn);
    hub_.ShowNotchCurve(NotchActive);
    if (NotchActive) {
        NotchMode = optNotch.Selected() == NotchModeEnum::Auto ? NotchModeEnum::Auto : NotchModeEnum::Man;
        NotchDirty = true;
    }
    SetLabelAvailable(lblNotchCIndex, NotchActive);
    SetLabelAvailable(lblNotchWIndex, NotchActive);
}

void ReceivePanel::chkNotchAuto_Click()
{
    if (notchAutoBusy_)
        return;
    BusyGuard busy(notchAutoBusy_);
    if (!NotchActive) {
        Restore(chkNotchAuto, NotchMode == NotchModeEnum::Auto);
        return;
    }
    NotchMode = Ticked(chkNotchAuto) ? NotchModeEnum::Auto : NotchModeEnum::Man;
    ApplyNotchMode();
}

void ReceivePanel::chkNotchMirror_Click()
{
    if (!NotchActive) {
        if (Ticked(chkNotchMirror) != NotchMirror)
            chkNotchMirror->setChecked(NotchMirror);
        return;
    }
    NotchMirror = Ticked(chkNotchMirror);
    NotchDirty = true;
}

// Swaps the notch-centre label's range and value between the AF and the IF notch and
// applies the centre: the AF notch lies at an audio frequency, the IF notch at an offset
// (of either sign) from the IF.
void ReceivePanel::chkNotchType_Click()
{
    if (notchTypeBusy_)
        return;
    BusyGuard busy(notchTypeBusy_);
    if (!NotchActive) {
        Restore(chkNotchType, NotchType == NotchTypeEnum::IF);
        return;
    }
    ScrollLabelRecord& centre = ScrollLabels[lblNotchCIndex];
    const int type = Ticked(chkNotchType) ? NotchTypeEnum::IF : NotchTypeEnum::AF;
    const int other = 1 - type;
    NotchCentreRanges[static_cast<size_t>(other)].Value = centre.Value;
    const NotchCentreRange& range = NotchCentreRanges[static_cast<size_t>(type)];
    centre.Value = type == NotchTypeEnum::AF ? std::abs(range.Value) : range.Value;
    centre.Max = range.Max;
    centre.Min = range.Min;
    NotchType = type;
    MouseOverS::lblNotchC_Wheel();
}

// The noise-reducer slider follows the dial, unless label 9 is moving both itself.
void ReceivePanel::dialNB_Changing()
{
    if (dialNBBusy_ || ScrollLabels[lblNBIndex].Busy)
        return;
    BusyGuard busy(dialNBBusy_);
    sldNB->SetValue(dialNB->Value());
}

// On: the IF filter works in the mode chosen. Off: the mode falls back to Track first (while
// the filter is still on), then the filter stops.
void ReceivePanel::chkIFFilter_Click()
{
    if (ifFilterCheckBusy_)
        return;
    BusyGuard busy(ifFilterCheckBusy_);
    if (Ticked(chkIFFilter)) {
        IFFilter.Active = IFFilterActive = true;
        SetLabelAvailable(lblIFHiIndex, true);
        SetLabelAvailable(lblIFLoIndex, true);
        optIFFilter_Click(IFFilterMode);
    } else {
        optIFFilter_Click(IFFilterModeEnum::Track);
        chkIFFilter->setChecked(false);
        IFFilter.Active = IFFilterActive = false;
        SetLabelAvailable(lblIFHiIndex, false);
        SetLabelAvailable(lblIFLoIndex, false);
    }
    FiltersDirty = true;
}

// Music mode moves the lower AF edge to 50 Hz and remembers the preset's edge for when it
// is switched off again.
void ReceivePanel::chkMusic_Click()
{
    FilterEntry& preset = FilterTable.at(static_cast<size_t>(FilterMode));
    if (Ticked(chkMusic)) {
        preset.SavedLo = FilterLo;
        FilterLo = MusicLowEdge;
    } else {
        FilterLo = preset.SavedLo;
    }
    MusicModeActive = preset.Music = Ticked(chkMusic);
    ScrollLabels[lblFilterLoIndex].Value = static_cast<float>(FilterLo);
    MouseOverS::lblFilterLo_Wheel();
    ScrollLabelSteps::ShowValue(ScrollLabels[lblFilterLoIndex]);
    FiltersDirty = true;
}

void ReceivePanel::chkAGC_Click()
{
    AGCOn = Ticked(chkAGC);
    FormControls::SetForeColour(chkAGC, AGCOn ? OnColour : OffColour);
    SetLabelAvailable(lblAGCAttackIndex, AGCOn);
    SetLabelAvailable(lblAGCDecayIndex, AGCOn);
}

// A speed preset, while the AGC is on: its times go to labels 13 and 14 and into the chain.
void ReceivePanel::optAGC_Click(int Index)
{
    if (agcBusy_ || !optAGC.Contains(Index))
        return;
    BusyGuard busy(agcBusy_);
    if (!AGCOn) {
        optAGC.Select(AGCMode);
        return;
    }
    optAGC.HighlightOnly(Index);
    optAGC.Select(Index);
    AGCMode = Index;
    const AGCEntry& preset = AGCTable.at(static_cast<size_t>(AGCMode));
    ScrollLabels[lblAGCAttackIndex].Value = static_cast<float>(preset.Attack);
    ScrollLabels[lblAGCAttackIndex].Default = static_cast<float>(preset.DefaultAttack);
    ScrollLabels[lblAGCDecayIndex].Value = static_cast<float>(preset.Decay);
    ScrollLabels[lblAGCDecayIndex].Default = static_cast<float>(preset.DefaultDecay);
    MouseOverS::lblAGCAttack_Wheel();
    MouseOverS::lblAGCDecay_Wheel();
}

void ReceivePanel::ShowInjectionColour()
{
    FormControls::SetForeColour(chkTuneLo, Ticked(chkTuneLo) ? InjectionOnColour : InjectionOffColour);
    injectionShown_ = true;
}

// The injection side: the IF offset and the filters follow, the oscillator is re-programmed
// for the same frequency, and an IF notch keeps its place relative to the signal.
void ReceivePanel::chkTuneLo_Click()
{
    const bool lowSide = Ticked(chkTuneLo);
    ShowInjectionColour();
    HiSideLoOn = !lowSide;
    if (VFO)
        VFO->HiSideLo(HiSideLoOn);
    MouseOverS::lblBFO_Wheel();
    FiltersDirty = true;
    if (VFO) {
        VFO->TunedFrequency(VFO->TunedFrequency());
        hub_.ShowFrequency(VFO->FormattedTunedFreq());
    }
    MouseOverS::lblNotchC_Wheel();
}
