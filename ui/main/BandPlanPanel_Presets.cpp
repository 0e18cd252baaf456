#include "ui/main/BandPlanPanel.h"

#include "bandplan/modBandPlan.h"
#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "ui/bandplan/frmEditUserPreset.h"
#include "ui/bandplan/frmPresetDesc.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/main/MainWindowSettings.h"

#include <QButtonGroup>
#include <QCursor>
#include <QDateTime>
#include <QLabel>
#include <QMenu>

#include <cmath>

namespace {

constexpr uint32_t PresetNotInForceColour = 0xC0C000;
constexpr double PresetReleaseDistance = 500.0;   // Hz

// The selected band's active sub-band, when the band has been read.
SubBandRecord* SelectedSubBand()
{
    if (CurrentMainBandIndex < 0 || static_cast<size_t>(CurrentMainBandIndex) >= BandPlans.size())
        return nullptr;
    BandRecord& band = BandPlans[static_cast<size_t>(CurrentMainBandIndex)];
    if (!band.Loaded || band.ActiveSubBand < 0 || static_cast<size_t>(band.ActiveSubBand) >= band.SubBands.size())
        return nullptr;
    return &band.SubBands[static_cast<size_t>(band.ActiveSubBand)];
}

PresetRecord* PresetOf(SubBandRecord* subBand, int index)
{
    if (!subBand || index < 0 || static_cast<size_t>(index) >= subBand->Presets.size())
        return nullptr;
    return &subBand->Presets[static_cast<size_t>(index)];
}

int32_t ActiveSubBandIndex() { return BandPlans[static_cast<size_t>(CurrentMainBandIndex)].ActiveSubBand; }

QString WhenAs(const std::string& when, const char* picture)
{
    const QDateTime stamp = QDateTime::fromString(QString::fromStdString(when), "yyyy-MM-dd HH:mm:ss");
    return stamp.isValid() ? stamp.toString(picture) : QString::fromStdString(when);
}

} // namespace

// Left: recalls the preset (an unused one recalls the preset last recalled instead).
// Right: the preset menu. Shift + right: stores the receiver's state into the preset.
void BandPlanPanel::optPreset_MouseDown(int Index, int Button, int Shift, double, double)
{
    if (presetButtonBusy_)
        return;
    BusyGuard busy(presetButtonBusy_);
    SubBandRecord* subBand = SelectedSubBand();
    PresetRecord* preset = PresetOf(subBand, Index);
    if (!preset || !optPreset.Contains(Index))
        return;
    if (LastRecalledPreset < 0)
        LastRecalledPreset = Index;
    optPreset.HighlightOnly(optPreset.LBound() - 1, static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRLabelColour));
    const int32_t before = subBand->ActivePreset;
    subBand->ActivePreset = Index;
    modBandPlan::LoadPresetSettings(CurrentMainBandIndex, ActiveSubBandIndex(), Index);
    if (Button == 1) {
        if (preset->Used()) {
            LastRecalledPreset = Index;
            for (PresetRecord& each : subBand->Presets)
                each.Active = false;
            preset->Active = true;
        } else {
            subBand->ActivePreset = LastRecalledPreset;
        }
        RecallPreset(subBand->ActivePreset);
        // An unused slot is never applied: without a used preset to fall back on, the
        // selection stays where it was.
        if (const PresetRecord* target = PresetOf(subBand, subBand->ActivePreset); !target || !target->Used()) {
            subBand->ActivePreset = before;
            const PresetRecord* previous = PresetOf(subBand, before);
            if (previous && previous->Active && previous->Used())
                SelectPresetButton(before);
            else
                ClearPresetButtons();
        }
    } else if (Button == 2 && Shift != 1) {
        mnuUserPresets->actions().at(0)->setEnabled(preset->Used());
        mnuUserPresets->popup(QCursor::pos());
    } else if (Button == 2) {
        StorePreset(*preset);
        optPreset[Index]->setText(QString::fromStdString(preset->Caption));
        optPreset[Index]->setToolTip(QString::fromStdString(preset->Description));
        ApplyPresetGuarded(CurrentMainBandIndex, ActiveSubBandIndex(), Index);
    }
}

void BandPlanPanel::RecallPreset(int Index)
{
    const PresetRecord* preset = PresetOf(SelectedSubBand(), Index);
    if (!preset || !preset->Used())
        return;
    SelectPresetButton(Index);
    ApplyPresetGuarded(CurrentMainBandIndex, ActiveSubBandIndex(), Index);
}

// A release repeats a left click's recall; the menu and the store act on the press alone.
void BandPlanPanel::optPreset_MouseUp(int Index, int Button, int Shift, double X, double Y)
{
    if (Button == 1)
        optPreset_MouseDown(Index, Button, Shift, X, Y);
}

void BandPlanPanel::optPreset_KeyDown(int, int, int Shift)
{
    if (Shift != 2)
        return;
    PresetDescriptionOn = !PresetDescriptionOn;
    PresetDesc->setVisible(PresetDescriptionOn);
}

// Frequency, mode and the time of the store; kilohertz as the caption.
void BandPlanPanel::StorePreset(PresetRecord& preset)
{
    CapturePreset(preset.ModeSettings);
    preset.Caption = Format(preset.ModeSettings.FreqCurrent / 1000.0, "#0");
    preset.When = modBandPlan::DateTimeText(modBandPlan::CurrentTime());
    preset.Description = Format(preset.ModeSettings.FreqCurrent, "#,###0 Hz");
}

// The title names the preset as its button does (P3: 3).
bool BandPlanPanel::EditPreset(const std::string& title, const std::string& buttonCaption)
{
    PresetEditOK = false;
    PresetEditTitle = title;
    PresetEditButtonCaption = buttonCaption;
    frmEditUserPreset window(frPresets->window());
    frmEditUserPreset::ShowModal(window);
    return PresetEditOK;
}

// The sub-band's selected preset, read from the file, for the preset menu's items.
PresetRecord* BandPlanPanel::MenuPreset()
{
    SubBandRecord* subBand = SelectedSubBand();
    const int32_t index = subBand ? subBand->ActivePreset : -1;
    PresetRecord* preset = PresetOf(subBand, index);
    if (!preset || !optPreset.Contains(index))
        return nullptr;
    modBandPlan::LoadPresetSettings(CurrentMainBandIndex, ActiveSubBandIndex(), index);
    return preset;
}

// The preset window's record becomes the preset, shown on its button and put in force.
void BandPlanPanel::TakeEditedPreset(PresetRecord& preset, const std::string& caption)
{
    preset = PresetEditRecord;
    preset.ModeSettings.Changed = true;
    optPreset[preset.Index]->setText(QString::fromStdString(caption));
    optPreset[preset.Index]->setToolTip(QString::fromStdString(preset.Description));
    SelectPresetButton(preset.Index);
    ApplyPresetGuarded(CurrentMainBandIndex, ActiveSubBandIndex(), preset.Index);
}

void BandPlanPanel::mnuUserPresets_Edit_Click()
{
    if (presetMenuBusy_)
        return;
    BusyGuard busy(presetMenuBusy_);
    PresetRecord* preset = MenuPreset();
    if (!preset)
        return;
    PresetEditRecord = *preset;
    PresetEditRecord.Active = true;
    if (EditPreset("Edit Preset " + std::to_string(preset->Index + 1), "&Update"))
        TakeEditedPreset(*preset, Format(PresetEditRecord.ModeSettings.FreqCurrent / 1000.0, "#0"));
}

// The tuned frequency, mode, filter and injection side into the preset; its other stored
// settings stay.
void BandPlanPanel::mnuUserPresets_Save_Click()
{
    if (presetMenuBusy_)
        return;
    BusyGuard busy(presetMenuBusy_);
    PresetRecord* preset = MenuPreset();
    if (!preset || !VFO)
        return;
    PresetEditRecord = *preset;
    PresetEditRecord.Active = false;
    PresetEditRecord.When = modBandPlan::DateTimeText(modBandPlan::CurrentTime());
    ModeSettingsRecord& state = PresetEditRecord.ModeSettings;
    state.FilterMode = FilterMode;
    state.DemodMode = DemodMode;
    state.FreqCurrent = Numeric::CLng(VFO->TunedFrequency() / 10.0);
    state.LowSideLO = !VFO->HiSideLo();
    if (EditPreset("Save Current Settings to Preset " + std::to_string(preset->Index + 1), "&Save"))
        TakeEditedPreset(*preset, Format(std::floor(PresetEditRecord.ModeSettings.FreqCurrent / 1000.0 + 0.5), "0#"));
}

// The pop-up beside the pointer, with the main window keeping the focus.
void BandPlanPanel::ShowDescription(QWidget* button, double X, double Y, const std::string& caption, const std::string& text)
{
    PresetDesc->move(button->mapToGlobal(QPoint(FormUnits::TwipsToPixels(X), FormUnits::TwipsToPixels(Y))));
    PresetDesc->show();
    PresetDesc->raise();
    DoEvents();
    PresetDesc->lblCaption->setText(QString::fromStdString(caption));
    PresetDesc->lblPresetDesc->setText(QString::fromStdString(text));
    frPresets->window()->activateWindow();
}

void BandPlanPanel::optPreset_MouseMove(int Index, int, int, double X, double Y)
{
    SubBandRecord* subBand = SelectedSubBand();
    PresetRecord* preset = PresetOf(subBand, Index);
    if (!preset || !optPreset.Contains(Index))
        return;
    if (!PresetDescriptionOn) {
        PresetDesc->hide();
        return;
    }
    modBandPlan::LoadPresetSettings(CurrentMainBandIndex, ActiveSubBandIndex(), Index);
    const ModeSettingsRecord& state = preset->ModeSettings;
    const std::string mode = hub_.ModeCaption(state.DemodMode);
    const std::string filter = hub_.FilterCaption(state.FilterMode);
    const std::string text = "Frequency=" + Format(state.FreqCurrent / 1000000.0, "#0.000 MHz") + "\r\nModulation="
                             + mode + "\r\nFilter=" + filter + "\r\nDate="
                             + WhenAs(preset->When, "yyyy/MM/dd").toStdString() + "\r\nTime="
                             + WhenAs(preset->When, "HH:mm").toStdString();
    ShowDescription(optPreset[Index], X, Y, preset->Description, text);
}

void BandPlanPanel::optSubBand_MouseMove(int Index, int, int, double X, double Y)
{
    HideBandSelectors();
    if (CurrentMainBandIndex < 0 || static_cast<size_t>(CurrentMainBandIndex) >= BandPlans.size())
        return;
    BandRecord& band = BandPlans[static_cast<size_t>(CurrentMainBandIndex)];
    if (!band.Loaded || Index < 0 || static_cast<size_t>(Index) >= band.SubBands.size())
        return;
    if (!PresetDescriptionOn) {
        PresetDesc->hide();
        return;
    }
    const SubBandRecord& subBand = band.SubBands[static_cast<size_t>(Index)];
    const std::string text = "Band=" + subBand.Caption + "\r\nFreq Lo=" + std::to_string(subBand.FreqMin)
                             + "\r\nFreq Hi=" + std::to_string(subBand.FreqMax);
    ShowDescription(optSubBand[Index], X, Y, subBand.Description, text);
}

// Every 300 ms: the track log gets the tuned frequency; a recalled preset stops being in force
// once tuned more than 500 Hz away; the sub-band then follows the receiver's state, while a
// preset in force follows it (but for its frequency) when presets are tracked.
void BandPlanPanel::tmrSubBands_Timer()
{
    if (subBandTimerBusy_)
        return;
    BusyGuard busy(subBandTimerBusy_);
    hub_.LogTunedFrequency();
    SubBandRecord* subBand = SelectedSubBand();
    PresetRecord* preset = PresetOf(subBand, subBand ? subBand->ActivePreset : -1);
    if (!preset || ApplyPresetBusy || modBandPlan::BandPlanLoading || hub_.DecoderStarting() || !VFO)
        return;
    const int32_t index = subBand->ActivePreset;
    if (preset->Active) {
        const double away = std::fabs(VFO->TunedFrequency() / 10.0 - preset->ModeSettings.FreqCurrent);
        if (away > PresetReleaseDistance) {
            preset->Active = false;
            if (optPreset.Contains(index)) {
                QButtonGroup* group = optPreset[index]->group();
                group->setExclusive(false);
                optPreset[index]->setChecked(false);
                group->setExclusive(true);
                FormControls::SetForeColour(optPreset[index], PresetNotInForceColour);
            }
        }
    }
    if (!preset->Active) {
        CapturePreset(subBand->ModeSettings);
    } else if (AutoTrackPresets) {
        const int32_t kept = preset->ModeSettings.FreqCurrent;
        CapturePreset(preset->ModeSettings);
        preset->ModeSettings.FreqCurrent = kept;
    }
}
