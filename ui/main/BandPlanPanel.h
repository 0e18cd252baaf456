#pragma once

#include "bandplan/BandRecord.h"
#include "ui/common/ButtonArray.h"
#include "ui/main/PanelHub.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <set>
#include <string>

class Frame;
class Image;
class Label;
class PictureBox;
class QComboBox;
class QListWidget;
class QMenu;
class QWidget;
class frmPresetDesc;

// The band frame: the band and sub-band selectors, the rows of sub-band and preset buttons,
// the preset menu and the preset description pop-up. Choosing a band, a sub-band or a preset
// puts its stored state in force, and the tracking timer keeps the sub-band (or the preset in
// force) in step with the receiver. The receive controls, the tuning and the recorder it
// reaches only through the hub's requests.
class BandPlanPanel : public QObject
{
public:
    static constexpr int SubBandTrackingInterval = 300;   // ms

    // Builds the frame and its controls in container (the frequency control's frame).
    BandPlanPanel(QWidget* container, PanelHub& hub);
    BandPlanPanel(const BandPlanPanel&) = delete;
    BandPlanPanel& operator=(const BandPlanPanel&) = delete;

    // The start-up's wiring: the handlers, the preset menu and the description pop-up.
    void Connect();

    // Bands and sub-bands (BandPlanPanel.cpp).
    void FillBandList();               // start-up: the bands' captions
    void InitialiseSubBandButtons();   // start-up: none chosen, all in the sub-band colour
    void InitialisePresetButtons();    // start-up: none chosen
    void SelectLastBand();             // start-up: the band used last, or the first
    void SelectBand(int Index);
    bool SelectingBand() const { return selectBandBusy_; }
    // A close of the window while a band is selected is carried out once it is selected.
    void CloseAfterBandLoad() { closeAfterBandLoad_ = true; }
    void cboBandSelect_Click();
    void cboBandSelect_KeyDown(int KeyCode);
    void cboSubBandSelect_Click();
    void lstSubBandSelect_Click();
    void optSubBand_Click(int Index);
    void optSubBand_MouseDown(int Index, int Button, int Shift, double X, double Y);
    // The step chosen from the tuning-step list becomes the active sub-band's.
    void StoreSubBandTuneStep(int32_t Index);

    // Hover (BandPlanPanel.cpp).
    void frPresets_MouseMove(int Button, int Shift, double X, double Y);
    void imgBandSelect_MouseMove(int Button, int Shift, double X, double Y);
    void lblSubBand_MouseMove();
    void lstSubBandSelect_MouseMove(int Button, int Shift, double X, double Y);
    void picSubBands_MouseMove();
    void RevealBandSelectors(double X, double Y);
    void HideBandSelectors();

    // Stored states (BandPlanPanel_StoredStates.cpp).
    void ApplyPreset(const ModeSettingsRecord& state);
    // Loads the preset's settings when they were not read yet, then applies them.
    void ApplyPresetGuarded(int32_t Band, int32_t SubBand, int32_t Preset);
    void CapturePreset(ModeSettingsRecord& state);

    // Presets, their windows and the tracking timer (BandPlanPanel_Presets.cpp).
    void optPreset_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void optPreset_MouseUp(int Index, int Button, int Shift, double X, double Y);
    void optPreset_KeyDown(int Index, int KeyCode, int Shift);
    void optPreset_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void optSubBand_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void StorePreset(PresetRecord& preset);
    void mnuUserPresets_Edit_Click();
    void mnuUserPresets_Save_Click();
    void tmrSubBands_Timer();

    QTimer tmrSubBands;
    QMenu* mnuUserPresets = nullptr;
    frmPresetDesc* PresetDesc = nullptr;
    bool PresetDescriptionOn = false;
    int32_t LastRecalledPreset = -1;   // -1 until the first preset button is pressed
    bool ApplyPresetBusy = false;      // a stored state is being applied (preset tracking waits)

    Frame* frPresets = nullptr;
    Image* imgBandSelect = nullptr;
    QComboBox* cboBandSelect = nullptr;
    QComboBox* cboSubBandSelect = nullptr;
    QListWidget* lstSubBandSelect = nullptr;
    Label* lblSubBand = nullptr;
    PictureBox* picSubBands = nullptr;
    ButtonArray optSubBand;
    PictureBox* picPresets = nullptr;
    ButtonArray optPreset;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool BandPlanControlEvent(QObject* watched, QEvent* event);
    void ShowBand(int Index);
    void FillSubBandControls(const BandRecord& band);
    void LayOutBandButtons();
    void PlaceBandSelector();
    void ShowPresetCaptions(SubBandRecord& subBand, bool releaseUnused);
    void ClearPresetButtons();
    void SelectPresetButton(int Index);
    void ShowDescription(QWidget* button, double X, double Y, const std::string& caption, const std::string& text);
    void ApplyStoredAGC(const ModeSettingsRecord& state);
    void ApplyStoredEdges(const ModeSettingsRecord& state);
    void RecallPreset(int Index);
    bool EditPreset(const std::string& title, const std::string& buttonCaption);
    PresetRecord* MenuPreset();
    void TakeEditedPreset(PresetRecord& preset, const std::string& caption);

    PanelHub& hub_;
    bool selectBandBusy_ = false;
    bool subBandBusy_ = false;
    bool applyPresetBusy_ = false;
    bool applyPresetGuardedBusy_ = false;
    bool presetButtonBusy_ = false;
    bool presetMenuBusy_ = false;
    bool subBandTimerBusy_ = false;
    bool closeAfterBandLoad_ = false;   // the window was closed while a band was selected
    int32_t agcModeBeforeRecall_ = 0;   // the AGC speed in force before a state's own took over
    std::set<std::string> heldValuesTraced_;   // stored values held to a label's limits, told once each
};
