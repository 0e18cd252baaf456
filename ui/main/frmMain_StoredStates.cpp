#include "ui/main/frmMain.h"

#include "audio/clsWavFile.h"
#include "bandplan/modBandPlan.h"
#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "ui/common/Label.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QCheckBox>

#include <algorithm>
#include <limits>

namespace {

constexpr int16_t OutVolLabel = 10;
constexpr int16_t NotchCentreLabel = 11;
constexpr int16_t NotchWidthLabel = 12;
constexpr int16_t AGCAttackLabel = 13;
constexpr int16_t AGCDecayLabel = 14;
constexpr int16_t FilterHiLabel = 7;
constexpr int16_t FilterLoLabel = 8;
constexpr int16_t IFHiLabel = 17;
constexpr int16_t IFLoLabel = 18;
constexpr int32_t RecalledAGCMode = 4;

// A stored value held within the limits of the label that shows it; a value outside them
// is noted in the trace under the key it was stored by, once (a state is applied again
// whenever its sub-band or preset is chosen).
float HeldToLabel(int16_t id, double value, const char* key, std::set<std::string>& traced)
{
    const double held = ScrollLabelSteps::HeldValue(ScrollLabels[static_cast<size_t>(id)], value);
    if (held != value) {
        const std::string line = ScrollLabelSteps::HeldNote("frmMain.ApplyPreset", key, value, held);
        if (traced.insert(line).second)
            AddLog(line);
    }
    return static_cast<float>(held);
}

// A stored value into a label, held within the label's limits and applied; a label whose
// apply routine writes its own caption (the volume's reads in decibels) keeps that one.
void SetLabel(int16_t id, double value, void (*apply)(), const char* key, std::set<std::string>& traced)
{
    ScrollLabelRecord& label = ScrollLabels[static_cast<size_t>(id)];
    label.Value = HeldToLabel(id, value, key, traced);
    apply();
    if (label.ShowCaption)
        ScrollLabelSteps::ShowValue(label);
}

// Selects an option; a button that was selected already gets its handler run all the same.
void SelectAndRun(ButtonArray& options, int index, const std::function<void(int)>& handler)
{
    if (options.Contains(index) && options.Selected() != index)
        options.Select(index);   // the change runs the handler
    else
        handler(index);
}

int32_t TableIndex(int32_t index, size_t size) { return std::clamp(index, 0, static_cast<int32_t>(size) - 1); }

// The VFO's frequency in tenths of a hertz for a stored one in hertz, held within 32 bits.
int32_t TenthsOf(int32_t hertz)
{
    const int64_t tenths = static_cast<int64_t>(hertz) * 10;
    return static_cast<int32_t>(std::clamp<int64_t>(tenths, 0, std::numeric_limits<int32_t>::max()));
}

} // namespace

// Puts a stored state in force through the front panel's own controls and handlers, so that
// it takes the path of the user's clicks. A state without a frequency was never stored (an
// unused preset, a sub-band the file gives nothing for): it leaves the receiver as it is.
void frmMain::ApplyPreset(const ModeSettingsRecord& state)
{
    if (applyPresetBusy_ || state.FreqCurrent < 1)
        return;
    BusyGuard busy(applyPresetBusy_);
    BusyGuard applying(ApplyPresetBusy);
    const ModeSettingsRecord stored = state;   // the handlers below may change the record
    if (VFO) {
        VFO->TunedFrequency(StoredForShown(TenthsOf(stored.FreqCurrent)));   // stored as shown
        Frequency->Display7Seg(VFO->FormattedTunedFreq());
        Frequency->ShowTuneStepLock();
    }
    SetCheckAndRun(chkTuneLo, stored.LowSideLO, [this] { chkTuneLo_Click(); });
    SelectAndRun(optMode, stored.DemodMode, [this](int index) { optMode_Click(index); });
    SelectAndRun(optFilter, stored.FilterMode, [this](int index) { optFilter_Click(index); });
    chkMusic->setChecked(false);
    chkMusic->setChecked(stored.MusicModeActive);
    chkDynFilter->setChecked(stored.DynFilterActive);
    ApplyStoredEdges(stored);
    SetCheckAndRun(chkNotchOn, stored.NotchActive, [this] { chkNotchOn_Click(); });
    SetCheckAndRun(chkNotchType, stored.NotchType == NotchTypeEnum::IF, [this] { chkNotchType_Click(); });
    SelectAndRun(optNotch, stored.NotchMode, [this](int index) { optNotch_Click(index); });
    chkNotchAuto->setChecked(stored.NotchMode != NotchModeEnum::Man);
    chkNotchMirror->setChecked(stored.NotchMirror);
    SetLabel(NotchCentreLabel, stored.NotchFilterCenter,
             MouseOverS::lblNotchC_Wheel, "NotchFilterCenter", heldValuesTraced_);
    SetLabel(NotchWidthLabel, stored.NotchFilterWidth,
             MouseOverS::lblNotchW_Wheel, "NotchFilterWidth", heldValuesTraced_);
    TryStep([&] { ApplyStoredAGC(stored); });
    MouseOverS::lblAGCAttack_Wheel();
    MouseOverS::lblAGCDecay_Wheel();
    SetLabel(OutVolLabel, stored.OutputAttenuation,
             MouseOverS::lblOutVol_Wheel, "OutputAttenuation", heldValuesTraced_);
    if (WavFile && VFO)
        WavFile->NewLogRecord(VFO->TunedFrequency());
}

// The AF pass band (a negative edge is the filter preset's default), the IF filter's switch
// and mode, and its edges (a negative edge is the IF filter table's for the mode).
void frmMain::ApplyStoredEdges(const ModeSettingsRecord& state)
{
    const FilterEntry& preset = FilterTable[static_cast<size_t>(TableIndex(state.FilterMode, FilterTable.size()))];
    SetLabel(FilterHiLabel, state.FilterHi >= 0 ? state.FilterHi : preset.DefaultHi,
             MouseOverS::lblFilterHi_Wheel, "FilterHi", heldValuesTraced_);
    SetLabel(FilterLoLabel, state.FilterLo >= 0 ? state.FilterLo : preset.DefaultLo,
             MouseOverS::lblFilterLo_Wheel, "FilterLo", heldValuesTraced_);
    SetCheckAndRun(chkIFFilter, state.IFFilterActive, [this] { chkIFFilter_Click(); });
    SelectAndRun(optIFFilter, state.IFFilterMode, [this](int index) { optIFFilter_Click(index); });
    const int32_t row = TableIndex(IFFilterIndex(DemodMode, IFFilterMode), IFFilterTable.size());
    const IFFilterEntry& band = IFFilterTable[static_cast<size_t>(row)];
    SetLabel(IFHiLabel, state.IFFilterHi >= 0 ? state.IFFilterHi : band.Hi,
             MouseOverS::lblIFHi_Wheel, "IFFilterHi", heldValuesTraced_);
    SetLabel(IFLoLabel, state.IFFilterLo >= 0 ? state.IFFilterLo : band.Lo,
             MouseOverS::lblIFLo_Wheel, "IFFilterLo", heldValuesTraced_);
}

// A state with an AGC speed brings its own attack and decay as the recalled speed (4); the
// speed in force before is remembered, and a state without a speed returns to it.
void frmMain::ApplyStoredAGC(const ModeSettingsRecord& state)
{
    if (state.AGCMode < 0) {
        optAGC_Click(agcModeBeforeRecall_ == 0 ? 1 : agcModeBeforeRecall_);
        return;
    }
    chkAGC->setChecked(state.AGCOn);
    if (AGCMode < RecalledAGCMode) {
        agcModeBeforeRecall_ = AGCMode;
        AGCMode = RecalledAGCMode;
    }
    const float attack = HeldToLabel(AGCAttackLabel, state.AGCAttack, "AGCAttack", heldValuesTraced_);
    const float decay = HeldToLabel(AGCDecayLabel, state.AGCDecay, "AGCDecay", heldValuesTraced_);
    AGCEntry& recalled = AGCTable[RecalledAGCMode];
    recalled.Attack = Numeric::CLng(attack);
    recalled.Decay = Numeric::CLng(decay);
    optAGC_Click(RecalledAGCMode);
    ScrollLabels[AGCAttackLabel].Value = attack;
    ScrollLabels[AGCDecayLabel].Value = decay;
}

// A preset is read from its file before it is first applied, and an unused one (no
// frequency) is never applied.
void frmMain::ApplyPresetGuarded(int32_t Band, int32_t SubBand, int32_t Preset)
{
    if (applyPresetGuardedBusy_ || Band < 0 || static_cast<size_t>(Band) >= BandPlans.size())
        return;
    BusyGuard busy(applyPresetGuardedBusy_);
    BandRecord& band = BandPlans[static_cast<size_t>(Band)];
    if (SubBand < 0 || static_cast<size_t>(SubBand) >= band.SubBands.size())
        return;
    SubBandRecord& subBand = band.SubBands[static_cast<size_t>(SubBand)];
    if (Preset < 0 || static_cast<size_t>(Preset) >= subBand.Presets.size())
        return;
    modBandPlan::LoadPresetSettings(Band, SubBand, Preset);
    ApplyPreset(subBand.Presets[static_cast<size_t>(Preset)].ModeSettings);
}

// The receiver's state into a record; its Loaded flag and tuning step stay as they are.
void frmMain::CapturePreset(ModeSettingsRecord& state)
{
    state.Changed = true;
    if (VFO)
        state.FreqCurrent = Numeric::CLng(VFO->TunedFrequency() / 10.0);
    state.LowSideLO = !HiSideLoOn;
    state.FilterMode = FilterMode;
    state.FilterHi = FilterHi;
    state.FilterLo = FilterLo;
    state.MusicModeActive = MusicModeActive;
    state.DynFilterActive = DynFilterActive;
    state.IFFilterActive = IFFilterActive;
    state.IFFilterMode = IFFilterMode;
    state.IFFilterHi = IFFilterHi;
    state.IFFilterLo = IFFilterLo;
    state.AGCMode = AGCMode;
    state.AGCOn = AGCOn;
    state.NotchActive = NotchActive;
    state.NotchMode = NotchMode;
    state.NotchType = NotchType;
    state.NotchMirror = NotchMirror;
    state.DemodMode = DemodMode;
    const AGCEntry& agc = AGCTable[static_cast<size_t>(TableIndex(AGCMode, AGCTable.size()))];
    state.AGCAttack = static_cast<float>(agc.Attack);
    state.AGCDecay = static_cast<float>(agc.Decay);
    state.NotchFilterCenter = Numeric::CLng(ScrollLabels[NotchCentreLabel].Value);
    state.NotchFilterWidth = Numeric::CLng(ScrollLabels[NotchWidthLabel].Value);
    state.OutputAttenuation = ScrollLabels[OutVolLabel].Value;
}
