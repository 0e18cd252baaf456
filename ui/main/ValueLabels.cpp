#include "ui/main/ValueLabels.h"

#include "core/BusyGuard.h"
#include "core/Globals.h"
#include "core/Numeric.h"
#include "core/frmLog.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "radio/MouseOverS.h"
#include "core/PublicVars.h"
#include "ui/common/FormControls.h"
#include "ui/common/Label.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <QKeyEvent>

#include <algorithm>
#include <string>

namespace {

constexpr int LeftButton = 1;   // the window handlers' button and shift codes (MouseCodes)
constexpr int RightButton = 2;
constexpr int ShiftKey = 1;
constexpr int CtrlKey = 2;

void Trace(const std::string& step) { AddLog("frmMain.frm:frmMain:Form_Load" + step); }

ScrollLabelRecord& Record(int16_t id) { return ScrollLabels[static_cast<size_t>(id)]; }

// One record's start-up values; its label is bound by the panel that builds it.
struct RecordRow
{
    int16_t id;
    float max, min, defaultValue, value, ctrlStep, step, shiftStep;
    const char* format;
    bool showCaption;
};

const float IFCentre = static_cast<float>(IFCentreHz);

const RecordRow Rows[] = {
    {2, 99, 0, 1, 1, 0.01f, 0.1f, 1, "#0.0", true},
    {3, 100, -100, 0, 0, 0.1f, 1, 10, "#0", true},
    {4, 99, 0, 1, 1, 0.01f, 0.1f, 1, "#0.0", true},
    {5, 100, -100, 0, 0, 0.1f, 1, 10, "#0", true},
    {6, 1023, 10, 1023, 1023, 1, 10, 50, "#,###", false},
    {7, 12000, 0, 0, 0, 1, 10, 50, "#0", true},
    {8, 1999, 0, 0, 0, 1, 10, 50, "#0", true},
    {9, 10000, 0, 0, 0, 1, 10, 50, "#0.00", false},
    {10, 8000, -10000, 0, 0, 10, 50, 200, "0.0", false},
    {11, 6000, 0, 1000, 1000, 1, 10, 50, "#0", false},
    {12, 5000, 0, 100, 100, 1, 10, 50, "#0", false},
    {13, 100, 5, 5, 5, 1, 1, 10, "#0.0", false},
    {14, 200, 10, 5, 5, 1, 10, 50, "#0.0", false},
    {15, 1023, 0, 511, 511, 1, 10, 50, "#,###", false},
    {17, 6000, 0, 6000, 6000, 1, 10, 50, "#0", true},
    {18, 6000, 0, 0, 0, 1, 10, 50, "#0", true},
    {19, 24, 1, 1, 1, 1, 1, 4, "#0", true},
    {20, IFCentre, -IFCentre, 0, 0, 1, 20, 100, "#0", true},
    {21, 100, 1, 100, 100, 1, 2, 10, "#0", true},
    {22, 100, 1, 100, 100, 1, 2, 10, "#0", true},
    {23, IFCentre, -IFCentre, 0, 0, 1, 20, 100, "#0", true},
    {24, 16, 1, 1, 1, 1, 1, 4, "#0", true},
};

struct ApplyRow
{
    int16_t id;
    VectorLib::Routine routine;
};

const ApplyRow ApplyRoutines[] = {
    {1, MouseOverS::FreqDisplay_Wheel}, {7, MouseOverS::lblFilterHi_Wheel},   {8, MouseOverS::lblFilterLo_Wheel},
    {9, MouseOverS::lblNB_Wheel},       {10, MouseOverS::lblOutVol_Wheel},    {11, MouseOverS::lblNotchC_Wheel},
    {12, MouseOverS::lblNotchW_Wheel},  {13, MouseOverS::lblAGCAttack_Wheel}, {14, MouseOverS::lblAGCDecay_Wheel},
    {16, MouseOverS::picScope_Wheel},   {17, MouseOverS::lblIFHi_Wheel},      {18, MouseOverS::lblIFLo_Wheel},
    {20, MouseOverS::lblBFO_Wheel},     {23, MouseOverS::lblIFShift_Wheel},
    {2, MouseOverS::lblScopeChn1Gain_Wheel},   {3, MouseOverS::lblScopeChn1Shift_Wheel},
    {4, MouseOverS::lblScopeChn2Gain_Wheel},   {5, MouseOverS::lblScopeChn2Shift_Wheel},
    {6, MouseOverS::lblScopeXWidth_Wheel},     {15, MouseOverS::lblScopeXCentre_Wheel},
    {19, MouseOverS::lblSpectrumSmooth_Wheel}, {21, MouseOverS::lblY1Bright_Wheel},
    {22, MouseOverS::lblY2Bright_Wheel},       {24, MouseOverS::lblFrameRate_Wheel},
};

// The analyser's labels, which take its control colours.
const int16_t AnalyserLabels[] = {2, 3, 4, 5, 6, 15, 19, 21, 22, 24};

void RunApply(int16_t id) { VectorLib::CallBack(Record(id).ApplyProc); }

// Record id's start-up values from its row of the table.
void FillRecord(int16_t id)
{
    for (const RecordRow& row : Rows) {
        if (row.id != id)
            continue;
        ScrollLabelRecord& record = Record(id);
        record.ID = id;
        record.Max = row.max, record.Min = row.min;
        // A start value the label could not show (the decay's 5 below its 10) starts at the limit.
        record.Default = std::clamp(row.defaultValue, row.min, row.max);
        record.Value = std::clamp(row.value, row.min, row.max);
        record.CtrlStep = row.ctrlStep, record.Step = row.step, record.ShiftStep = row.shiftStep;
        record.Format = row.format;
        record.ShowCaption = row.showCaption;
    }
    for (const ApplyRow& row : ApplyRoutines)
        if (row.id == id)
            Record(id).ApplyProc = row.routine;
}

// A record whose apply routine runs at once, its caption written, disabled when so listed.
void FillAndApply(int16_t id, bool caption, bool disabled)
{
    FillRecord(id);
    RunApply(id);
    if (caption)
        ScrollLabelSteps::ShowValue(Record(id));
    Record(id).Disabled = disabled;
}

// A value the analyser's settings brought in, held within the limits of its label.
float HeldSetting(int16_t id, double value, const char* key)
{
    const double held = ScrollLabelSteps::HeldValue(Record(id), value);
    if (held != value)
        AddLog(ScrollLabelSteps::HeldNote("frmMain.FillScopeLabels", key, value, held));
    return static_cast<float>(held);
}

} // namespace

ValueLabels::ValueLabels(PanelHub& hub) : hub_(hub) {}

ValueLabels::~ValueLabels() { Release(); }

// The volume label's value for the output level in force: a gain above full level is held
// as its thousandths above 1.
float ValueLabels::OutputVolumeValue()
{
    return OutputAttenuation > 0.0f ? (OutputAttenuation - 1.0f) * 1000.0f : OutputAttenuation;
}

// The records' limits, steps, pictures, labels and apply routines, and the companion
// controls' ranges, record by record; the apply routines that run leave the receive chain in
// step with the records.
void ValueLabels::FillScrollLabels(clsSpectrumAnalyser* analyser)
{
    Trace(":Initialising MouseOverS");
    MouseOverS::InitEncoderHistory();
    MouseOverS::Analyser = analyser;
    for (int16_t id = 0; id < ScrollLabelCount; ++id)
        Record(id).ID = id;
    Trace(":Initialising 7Segment Display Tuning");
    Record(1).CtrlStep = 0.1f, Record(1).Step = 1, Record(1).ShiftStep = 10;
    FillRecord(1);
    Trace(":Initialising dialtuner");
    hub_.InitialiseDialTuner();
    for (int16_t id = 2; id <= 5; ++id) {
        Trace(":Initialising CtlArray(" + std::to_string(id) + ")");
        FillRecord(id);
        ScrollLabelSteps::ShowValue(Record(id));
    }
    for (int16_t id : {7, 8}) {
        Trace(":Initialising CtlArray(" + std::to_string(id) + ")");
        FillRecord(id);
    }
    FillNoiseAndVolumeLabels();
    FillNotchAndAGCLabels();
    FillScopeLabels(analyser);
    ConnectScrollLabels();
}

void ValueLabels::FillNoiseAndVolumeLabels()
{
    Trace(":Initialising CtlArray(9)");
    FillRecord(lblNBIndex);
    MouseOverS::lblNB_Wheel();
    Trace(":Initialising sldNB");
    hub_.InitialiseNoiseReducerSlider();
    Trace(":Initialising dialNB");
    hub_.InitialiseNoiseReducerKnob();
    Trace(":Initialising ctlArray(10)");
    FillRecord(lblOutVolIndex);
    // The level in force is kept: the apply routine would otherwise set it to the start value.
    Record(lblOutVolIndex).Value = OutputVolumeValue();
    RunApply(lblOutVolIndex);
    Trace(":Initialising dialOutVol");
    hub_.InitialiseVolumeKnob();
    Trace(":Initialising sldOutVolume");
    hub_.InitialiseVolumeSlider();
}

void ValueLabels::FillNotchAndAGCLabels()
{
    Trace(":Initialising ctlArray(11)");
    NotchCentreRanges = {{{6000, 0, 1000}, {6000, -6000, 1000}}};
    FillRecord(lblNotchCIndex);
    Record(lblNotchCIndex).Max = NotchCentreRanges[0].Max;
    Record(lblNotchCIndex).Min = NotchCentreRanges[0].Min;
    Record(lblNotchCIndex).Default = Record(lblNotchCIndex).Value = NotchCentreRanges[0].Value;
    RunApply(lblNotchCIndex);
    Record(lblNotchCIndex).Disabled = true;
    Trace(":Initialising ctlArray(12)");
    FillAndApply(lblNotchWIndex, false, true);
    Trace(":Initialising ctlArray(13)");
    FillAndApply(lblAGCAttackIndex, false, false);
    Trace(":Initialising ctlArray(14)");
    FillAndApply(lblAGCDecayIndex, false, false);
}

// The analyser's labels take its control colours, its smoothing and its frame rate.
void ValueLabels::FillScopeLabels(const clsSpectrumAnalyser* analyser)
{
    Trace(":Initialising ctlArray(15)");
    FillAndApply(15, false, false);
    Trace(":Initialising CtlArray(6)");
    FillRecord(6);
    RunApply(15);   // the centre's routine also applies the span
    Trace(":Initialising ctlArray(PicScopeIndex)");
    FillRecord(PicScopeIndex);
    Trace(":Initialising ctlArray(17)");
    FillAndApply(lblIFHiIndex, true, true);
    Trace(":Initialising ctlArray(18)");
    FillAndApply(lblIFLoIndex, true, true);
    FillRecord(lblSpectrumSmoothIndex);
    FillRecord(lblFrameRateIndex);
    if (analyser) {
        Record(lblSpectrumSmoothIndex).Default =
            HeldSetting(lblSpectrumSmoothIndex, analyser->DefaultSmoothCount, "DefaultSmoothCount");
        Record(lblSpectrumSmoothIndex).Value =
            HeldSetting(lblSpectrumSmoothIndex, analyser->SpectrumSmooth(), "SpectrumSmooth");
        Record(lblFrameRateIndex).Value = HeldSetting(lblFrameRateIndex, analyser->FrameRate(), "FrameRate");
    }
    Trace(":Initialising Spectrum Analyser Averaging - ctlArray(lblSpectrumSmoothIndex)");
    RunApply(lblSpectrumSmoothIndex);
    ScrollLabelSteps::ShowValue(Record(lblSpectrumSmoothIndex));
    Trace(":Initialising Spectrum Analyser FrameRate - ctlArray(lblFrameRateIndex)");
    RunApply(lblFrameRateIndex);
    ScrollLabelSteps::ShowValue(Record(lblFrameRateIndex));
    Trace(":Initialising lblIFShift - ctlArray(lblIFShiftIndex)");
    FillAndApply(lblIFShiftIndex, true, false);
    Trace(":Initialising lblBFO - ctlArray(lblBFOIndex)");
    FillAndApply(lblBFOIndex, true, false);
    Trace(":Initialising lblY1Bright - ctlArray(lblY1BrightIndex)");
    FillAndApply(lblY1BrightIndex, true, false);
    Trace(":Initialising lblY2Bright - ctlArray(lblY2BrightIndex)");
    FillAndApply(lblY2BrightIndex, true, false);
    if (!analyser)
        return;
    for (int16_t id : AnalyserLabels) {
        Record(id).FocusColour = analyser->ControlColourFocused;
        Record(id).NormalColour = analyser->ControlColourNormal;
        FormControls::SetForeColour(Record(id).Label, static_cast<uint32_t>(Record(id).NormalColour));
    }
}

// The label takes the focus and its focus colour (and a border when so configured), and
// Picture1's stand-in, the frequency display, takes the keyboard so the window sees the keys.
// The focused label again, or a disabled one, changes nothing; a negative ID stands for the
// focused label.
void ValueLabels::HiLiteScrollLabel(int16_t ID)
{
    if (hiLiteBusy_)
        return;
    BusyGuard busy(hiLiteBusy_);
    if (ID == FocusedLabelID)
        return;
    if (ID < 0)
        ID = FocusedLabelID;
    if (ID < 0 || ID >= ScrollLabelCount)
        return;
    const ScrollLabelRecord& record = Record(ID);
    if (record.Disabled)
        return;
    FocusedLabelID = ID;
    hub_.TakeKeyboardFocus();
    if (record.Label) {
        FormControls::SetForeColour(record.Label, static_cast<uint32_t>(record.FocusColour));
        if (HiLiteBorder)
            record.Label->setFrameShape(QFrame::Box);
    }
}

// The value label back to its normal colour without border (the RIT label in the tuning
// colour); in every case no value label has the focus any more.
void ValueLabels::LoLiteScrollLabel(int16_t ID)
{
    if (ID > 0 && ID < ScrollLabelCount) {
        const ScrollLabelRecord& record = Record(ID);
        if (record.Label) {
            const int32_t normal = ID == lblBFOIndex ? PublicVars::SDRColourSchemes.SDRTuningColour : record.NormalColour;
            FormControls::SetForeColour(record.Label, static_cast<uint32_t>(normal));
            record.Label->setFrameShape(QFrame::NoFrame);
        }
    }
    FocusedLabelID = 0;
}

// Each value label's mouse: hovering highlights it, the right button restores its default.
void ValueLabels::ConnectScrollLabels()
{
    for (const RecordRow& row : Rows) {
        Label* label = Record(row.id).Label;
        const int16_t id = row.id;
        if (!label)
            continue;
        connect(label, &Label::MouseMove, this, [this, id] {
            hub_.DarkenControls();
            HiLiteScrollLabel(id);
        });
        connect(label, &Label::MouseDown, this, [this, id](int button) { ScrollLabel_MouseDown(id, button); });
    }
}

// The right button resets a label to its default (the filter edges to the current preset's);
// the left button on the AGC attack focuses it, and any button on the scope's centre resets it.
void ValueLabels::ScrollLabel_MouseDown(int16_t id, int button)
{
    ScrollLabelRecord& record = Record(id);
    if (button == LeftButton && id == 13)
        FocusedLabelID = 13;
    if (button != RightButton && id != 15)
        return;
    const FilterEntry& preset = FilterTable.at(static_cast<size_t>(FilterMode));
    const IFFilterEntry& ifPreset = IFFilterTable.at(static_cast<size_t>(IFFilterIndex(DemodMode, IFFilterMode)));
    const bool ifTable = DemodMode != DemodModeEnum::DRM && DemodMode != DemodModeEnum::SAM;
    switch (id) {
    case 7: record.Value = static_cast<float>(preset.DefaultHi); break;
    case 8: record.Value = static_cast<float>(preset.DefaultLo); break;
    case 13:
    case 14:
        if (record.Default <= 0.0f)
            record.Default = (record.Max - record.Min) / 2.0f;
        record.Value = record.Default;
        break;
    case 17: record.Value = ifTable ? static_cast<float>(ifPreset.DefaultHi) : record.Default; break;
    case 18: record.Value = ifTable ? static_cast<float>(ifPreset.DefaultLo) : record.Default; break;
    default: record.Value = record.Default; break;
    }
    if (id == 9)
        hub_.SetNoiseReducerSlider(Numeric::CLng(record.Default));
    const bool captioned = (id >= 2 && id <= 5) || id == 7 || id == 8 || id == 13 || id == 14 || id == 17 ||
                           id == 18 || id == 20 || id == 21 || id == 22 || id == 23;
    if (captioned)
        ScrollLabelSteps::ShowValue(record);
    RunApply(id);
}

// The keys act on the focused label (record 0, which does nothing, when none is): A or Up
// and Z or Down step it, Left and Right move the focus through identifiers 1 to 20, Space
// restores its default. Nothing while the frequency display has the focus: its own keys tune.
void ValueLabels::Form_KeyDown(int KeyCode, int Shift)
{
    if (FocusedLabelID == 1)
        return;
    const int16_t id = FocusedLabelID >= 0 && FocusedLabelID < ScrollLabelCount ? FocusedLabelID : 0;
    ScrollLabelRecord& record = Record(id);
    const auto modifier = ScrollLabelSteps::KeyModifier((Shift & ShiftKey) != 0, (Shift & CtrlKey) != 0);
    switch (KeyCode) {
    case Qt::Key_A:
    case Qt::Key_Up: ScrollLabelSteps::StepValue(record, 1, modifier); break;
    case Qt::Key_Z:
    case Qt::Key_Down: ScrollLabelSteps::StepValue(record, -1, modifier); break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        LoLiteScrollLabel(id);
        const int16_t next = KeyCode == Qt::Key_Left ? (id - 1 < 1 ? 20 : id - 1) : (id + 1 > 20 ? 1 : id + 1);
        FocusedLabelID = next;
        HiLiteScrollLabel(-1);
        break;
    }
    case Qt::Key_Space:
        if (id == 7)
            record.Default = static_cast<float>(FilterTable.at(static_cast<size_t>(FilterMode)).DefaultHi);
        if (id == 8)
            record.Default = static_cast<float>(FilterTable.at(static_cast<size_t>(FilterMode)).DefaultLo);
        record.Value = record.Default;
        if (!record.Format.empty() && record.ShowCaption)
            ScrollLabelSteps::ShowValue(record);
        RunApply(id);
        break;
    default: break;
    }
}

// A crystal receiver's software oscillator has nothing to tune: its offset from the crystal
// becomes the RIT label's value, and the label's apply routine moves the receive chain's IF.
void ValueLabels::ConnectRIT()
{
    if (!SoftDDS)
        return;
    SoftDDS->ConnectRIT([](float offsetHz) {
        Record(lblBFOIndex).Value = offsetHz;
        MouseOverS::lblBFO_Wheel();
    });
}

// The records outlive the window: they must not keep its controls or its analyser.
void ValueLabels::Release()
{
    if (SoftDDS)
        SoftDDS->ConnectRIT(nullptr);
    for (ScrollLabelRecord& record : ScrollLabels)
        record.Label = nullptr;
    MouseOverS::Companions = {};
    MouseOverS::Analyser = nullptr;
}
