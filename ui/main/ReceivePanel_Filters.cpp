#include "ui/main/ReceivePanel.h"

#include "core/BusyGuard.h"
#include "core/Numeric.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "ui/common/ClickRule.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QCheckBox>

namespace {

void SetLabelValue(int16_t id, float value, float defaultValue)
{
    ScrollLabels[id].Value = value;
    ScrollLabels[id].Default = defaultValue;
}

// In Track mode the design takes the AF edges; the hidden IF labels keep the preset's
// edges as the sideband puts them.
void TrackIFLabels(const FilterEntry& preset)
{
    switch (DemodMode) {
    case DemodModeEnum::USB:
        SetLabelValue(lblIFHiIndex, preset.Hi, preset.DefaultHi);
        SetLabelValue(lblIFLoIndex, preset.Lo, preset.DefaultLo);
        break;
    case DemodModeEnum::LSB:
        SetLabelValue(lblIFHiIndex, preset.Lo, -preset.DefaultLo);
        SetLabelValue(lblIFLoIndex, preset.Hi, preset.DefaultHi);
        break;
    default:
        SetLabelValue(lblIFHiIndex, preset.Hi, preset.DefaultHi);
        SetLabelValue(lblIFLoIndex, preset.Hi, preset.DefaultHi);
        break;
    }
}

void ApplyIFLabels()
{
    MouseOverS::lblIFHi_Wheel();
    MouseOverS::lblIFLo_Wheel();
}

// A slider's stored edge, Hz; empty or unreadable text reads as 0.
int32_t StoredEdge(const Slider* slider)
{
    try {
        return Numeric::CLng(Numeric::Val(slider->Tag.toStdString()));
    } catch (...) {
        return 0;
    }
}

}   // namespace

// Index 0..4 selects an AF preset, -1 re-applies the edges in force, -2 takes the edges
// stored with the two edge sliders (those before the dynamic filter moved them).
void ReceivePanel::optFilter_Click(int Index)
{
    if (Index != -1 && optFilter.Contains(Index)) {
        optFilter.HighlightOnly(Index);
        FilterMode = Index;
    }
    if (Index >= 0) {
        const FilterEntry& preset = FilterTable.at(static_cast<size_t>(FilterMode));
        FilterLo = preset.Lo;
        FilterHi = preset.Hi;
        ScrollLabels[lblFilterHiIndex].Default = static_cast<float>(preset.DefaultHi);
        ScrollLabels[lblFilterLoIndex].Default = static_cast<float>(preset.DefaultLo);
        if (IFFilterMode == IFFilterModeEnum::Track) {
            TrackIFLabels(preset);
            ApplyIFLabels();
        }
        MusicModeActive = preset.Music;
        ClickRule::SetCheckAndRun(chkMusic, preset.Music, [this] { chkMusic_Click(); });
    }
    if (Index == -2) {
        FilterLo = StoredEdge(sldBW[0]);
        FilterHi = StoredEdge(sldBW[1]);
    }
    const double width = FilterHi - FilterLo;
    sldBW[0]->Tag = QString::number(FilterLo);
    sldBW[1]->Tag = QString::number(FilterHi);
    DynFilter.FLow = Numeric::CLng(FilterLo + 0.1 * width);
    DynFilter.FHigh = Numeric::CLng(FilterHi - 0.1 * width);
    // The sliders show the edges, and labels 7 and 8 take them, also where a slider stays put.
    ShowFilterEdges();
    FiltersDirty = true;
}

// Off, Man or Track, while the IF filter is on; otherwise the buttons go back to the mode
// in force. An index outside the three buttons changes nothing.
void ReceivePanel::optIFFilter_Click(int Index)
{
    if (ifFilterBusy_ || !optIFFilter.Contains(Index))
        return;
    BusyGuard busy(ifFilterBusy_);
    if (!IFFilterActive) {
        optIFFilter.Select(IFFilterMode);
        return;
    }
    IFFilterMode = Index;
    switch (Index) {
    case IFFilterModeEnum::Off:
        chkIFFilter->setChecked(false);
        lblIFHi->setEnabled(false);
        lblIFLo->setEnabled(false);
        break;
    case IFFilterModeEnum::Man: {
        chkIFFilter->setChecked(true);
        ShowIFEdgeLabels(true);
        const IFFilterEntry& band = IFFilterTable.at(static_cast<size_t>(IFFilterIndex(DemodMode, Index)));
        SetLabelValue(lblIFHiIndex, band.Hi, band.DefaultHi);
        SetLabelValue(lblIFLoIndex, band.Lo, band.DefaultLo);
        break;
    }
    default:
        chkIFFilter->setChecked(true);
        ShowIFEdgeLabels(false);
        TrackIFLabels(FilterTable.at(static_cast<size_t>(FilterMode)));
        break;
    }
    optIFFilter.HighlightOnly(Index);
    optIFFilter.Select(Index);
    ApplyIFLabels();
}

void ReceivePanel::ShowIFEdgeLabels(bool shown)
{
    for (Label* label : {lblIFHi, lblIFHiDesc, lblIFLo, lblIFLoDesc}) {
        label->setVisible(shown);
        label->setEnabled(true);
    }
}

// Manual or automatic notch, while the notch is on. The automatic notch works on the audio
// and offers the AF centre range; the IF range in force is kept for the manual notch.
void ReceivePanel::optNotch_Click(int Index)
{
    if (notchBusy_ || !optNotch.Contains(Index))
        return;
    BusyGuard busy(notchBusy_);
    if (!NotchActive) {
        optNotch.Select(NotchMode);
        return;
    }
    optNotch.HighlightOnly(Index);
    optNotch.Select(Index);
    NotchMode = Index;
    ApplyNotchMode();
}

// The manual notch shows its centre, width and type and takes the centre range of its type;
// the automatic one hides them and takes the AF range. Either is designed afresh and drawn.
void ReceivePanel::ApplyNotchMode()
{
    const bool manual = NotchMode == NotchModeEnum::Man;
    ShowManualNotchControls(manual);
    if (!manual)
        TakeAFNotchRange();
    NotchFilter.Active = true;
    NotchDirty = true;
    hub_.ShowNotchCurve(true);
    if (manual)
        chkNotchType_Click();
}

void ReceivePanel::ShowManualNotchControls(bool shown)
{
    for (QWidget* control : std::initializer_list<QWidget*>{lblNotchC, lblNotchCDesc, lblNotchW, lblNotchWDesc,
                                                             chkNotchType})
        control->setVisible(shown);
}

// The notch-centre label's range and value go to the IF element; the label takes the AF one.
void ReceivePanel::TakeAFNotchRange()
{
    ScrollLabelRecord& centre = ScrollLabels[lblNotchCIndex];
    NotchCentreRanges[1] = {centre.Max, centre.Min, centre.Value};
    centre.Max = NotchCentreRanges[0].Max;
    centre.Min = NotchCentreRanges[0].Min;
    centre.Value = NotchCentreRanges[0].Value;
}
