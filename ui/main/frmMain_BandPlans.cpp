#include "ui/main/frmMain.h"

#include "bandplan/modBandPlan.h"
#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/PublicVars.h"
#include "platform/InputBoxes.h"
#include "radio/HardwareObjects.h"
#include "ui/bandplan/frmPresetDesc.h"
#include "ui/bandplan/frmSplash1.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/MouseCodes.h"
#include "ui/common/PictureBox.h"
#include "ui/main/MainWindowSettings.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalBlocker>

namespace {

constexpr uint32_t SubBandColour = 0x0000C0;          // dark red
constexpr uint32_t ChosenSubBandColour = 0x0000FF;    // red
constexpr uint32_t RenamingOthersColour = 0xC0C0C0;
constexpr uint32_t RenamingColour = 0xFFFF00;
constexpr uint32_t PresetNotInForceColour = 0xC0C000;
constexpr int InsertKey = 45;
const char* const UnusedPresetTip = "Unused - Shift + Right Click to set";

bool ValidBand(int index) { return index >= 0 && static_cast<size_t>(index) < BandPlans.size(); }

// The selected band's active sub-band, or nothing while the band has no records.
SubBandRecord* ActiveSubBandOf(BandRecord& band)
{
    if (band.ActiveSubBand < 0 || static_cast<size_t>(band.ActiveSubBand) >= band.SubBands.size())
        return nullptr;
    return &band.SubBands[static_cast<size_t>(band.ActiveSubBand)];
}

QString ThousandsOf(int32_t hertz) { return QString::number(hertz / 1000); }

} // namespace

void frmMain::ConnectBandPlanControls()
{
    connect(cboBandSelect, &QComboBox::currentIndexChanged, this, [this] { cboBandSelect_Click(); });
    connect(cboSubBandSelect, &QComboBox::currentIndexChanged, this, [this] { cboSubBandSelect_Click(); });
    connect(lstSubBandSelect, &QListWidget::currentRowChanged, this, [this] { lstSubBandSelect_Click(); });
    optSubBand.OnClick([this](int index) { optSubBand_Click(index); });
    connect(lblSubBand, &Label::MouseMove, this, [this] { lblSubBand_MouseMove(); });
    connect(picSubBands, &PictureBox::MouseMove, this, [this] { picSubBands_MouseMove(); });
    lstSubBandSelect->setMouseTracking(true);
    for (QWidget* control : std::initializer_list<QWidget*>{cboBandSelect, cboSubBandSelect, lstSubBandSelect})
        control->installEventFilter(this);
    for (QAbstractButton* button : optSubBand)
        button->installEventFilter(this);
    for (QAbstractButton* button : optPreset) {
        button->installEventFilter(this);
        button->setMouseTracking(true);
    }
    connect(&tmrSubBands, &QTimer::timeout, this, &frmMain::tmrSubBands_Timer);
    mnuUserPresets = new QMenu(this);
    mnuUserPresets->setObjectName("mnuUserPresets");
    connect(mnuUserPresets->addAction("Edit Preset"), &QAction::triggered, this, [this] { mnuUserPresets_Edit_Click(); });
    connect(mnuUserPresets->addAction("Save to Preset"), &QAction::triggered, this, [this] { mnuUserPresets_Save_Click(); });
    PresetDesc = new frmPresetDesc(this);
}

// Start-up: every band's caption as the start-up found it, none selected yet.
void frmMain::FillBandList()
{
    const QSignalBlocker quiet(cboBandSelect);
    cboBandSelect->clear();
    for (const BandRecord& band : BandPlans)
        cboBandSelect->addItem(QString::fromStdString(band.Caption));
    cboBandSelect->setCurrentIndex(-1);
}

// Start-up: the band used last (or the first), which selects it.
void frmMain::SelectLastBand()
{
    if (!BandPlans.empty())
        cboBandSelect->setCurrentIndex(ValidBand(CurrentMainBandIndex) ? CurrentMainBandIndex : 0);
}

void frmMain::cboBandSelect_Click() { SelectBand(cboBandSelect->currentIndex()); }

// Reads the band's file on its first selection (with the splash window up meanwhile), fills
// the sub-band controls and recalls the active sub-band's preset in force or its own state.
// A close of the window meanwhile is carried out once the band is selected.
void frmMain::SelectBand(int Index)
{
    if (selectBandBusy_ || !ValidBand(Index))
        return;
    {
        BusyGuard busy(selectBandBusy_);
        ShowBand(Index);
    }
    if (closeAfterBandLoad_)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void frmMain::ShowBand(int Index)
{
    CurrentMainBandIndex = Index;
    BandRecord& band = BandPlans[static_cast<size_t>(Index)];
    if (!band.Loaded) {
        frmSplash1 splash(this);
        splash.lblBandPlan->setText(QString::fromStdString(band.Name));
        splash.show();
        modBandPlan::InitBandPlan(band);
        modBandPlan::LoadBandPlan(band);
        splash.hide();
    }
    SubBandRecord* subBand = ActiveSubBandOf(band);
    if (!band.Loaded || !subBand)
        return;
    band.Active = true;
    FillSubBandControls(band);
    ShowPresetCaptions(*subBand, false);
    if (subBand->ActivePreset < 0)
        subBand->ActivePreset = 0;
    const PresetRecord& preset = subBand->Presets[static_cast<size_t>(subBand->ActivePreset)];
    if (preset.Active && preset.Used()) {
        SelectPresetButton(subBand->ActivePreset);
        ApplyPresetGuarded(Index, band.ActiveSubBand, subBand->ActivePreset);
    } else {
        ClearPresetButtons();
        ApplyPreset(subBand->ModeSettings);
    }
}

void frmMain::FillSubBandControls(const BandRecord& band)
{
    {
        const QSignalBlocker quietBox(cboSubBandSelect);
        const QSignalBlocker quietList(lstSubBandSelect);
        cboSubBandSelect->clear();
        lstSubBandSelect->clear();
    }
    for (QAbstractButton* button : optSubBand)
        button->hide();
    optSubBand.Select(band.ActiveSubBand);
    frPresets->SetCaption(QString::fromStdString(band.Caption));
    for (int i = 0; i <= band.NumSubBands && optSubBand.Contains(i); ++i) {
        const SubBandRecord& subBand = band.SubBands[static_cast<size_t>(i)];
        const QString caption = QString::fromStdString(subBand.Caption);
        optSubBand[i]->setText(caption);
        optSubBand[i]->setToolTip(QString::fromStdString(subBand.Description));
        optSubBand[i]->setVisible(subBand.HasFrequencies);
        const QSignalBlocker quietBox(cboSubBandSelect);
        const QSignalBlocker quietList(lstSubBandSelect);
        cboSubBandSelect->addItem(caption);
        lstSubBandSelect->addItem(caption);
    }
    LayOutBandButtons();
    {
        // Cleared boxes select nothing; setting the index then raises each box's click.
        const QSignalBlocker quietBox(cboSubBandSelect);
        const QSignalBlocker quietList(lstSubBandSelect);
        cboSubBandSelect->setCurrentIndex(-1);
        lstSubBandSelect->setCurrentRow(-1);
    }
    cboSubBandSelect->setCurrentIndex(band.ActiveSubBand);
    lstSubBandSelect->setCurrentRow(band.ActiveSubBand);
}

// The shown sub-band buttons share one row (two when there are more than nine), the twelve
// preset buttons two rows of six below them, so that a six-letter sub-band and a five-digit
// kilohertz preset caption show whole.
void frmMain::LayOutBandButtons()
{
    constexpr int Width = 3720, Top = 390, Bottom = 1080, Gap = 15, PresetRows = 2;
    std::vector<QAbstractButton*> shown;
    for (QAbstractButton* button : optSubBand)
        if (!button->isHidden())
            shown.push_back(button);
    const int subBandRows = shown.size() > 9 ? 2 : 1;
    const int rowHeight = (Bottom - Top) / (subBandRows + PresetRows);
    const int perRow = std::max<int>(1, (static_cast<int>(shown.size()) + subBandRows - 1) / subBandRows);
    for (size_t i = 0; i < shown.size(); ++i) {
        const int column = static_cast<int>(i) % perRow, row = static_cast<int>(i) / perRow;
        FormControls::Place(shown[i], column * Width / perRow, row * rowHeight, Width / perRow - Gap, rowHeight - Gap);
    }
    FormControls::Place(picSubBands, 60, Top, Width, subBandRows * rowHeight);
    const int perPresetRow = optPreset.Count() / PresetRows;
    for (int j = 0; j < optPreset.Count(); ++j)
        FormControls::Place(optPreset[j], (j % perPresetRow) * Width / perPresetRow, (j / perPresetRow) * rowHeight,
                            Width / perPresetRow - Gap, rowHeight - Gap);
    FormControls::Place(picPresets, 60, Top + subBandRows * rowHeight, Width, PresetRows * rowHeight);
}

// The preset buttons' captions and tips: kilohertz for a used preset, "P<n>" for an unused
// one (which, with releaseUnused, also stops being in force).
void frmMain::ShowPresetCaptions(SubBandRecord& subBand, bool releaseUnused)
{
    for (int j = 0; j < std::max(subBand.NumPresets, 1) && optPreset.Contains(j); ++j) {
        PresetRecord& preset = subBand.Presets[static_cast<size_t>(j)];
        if (!preset.Used()) {
            if (releaseUnused)
                preset.Active = false;
            optPreset[j]->setText(QString("P%1").arg(j + 1));
            optPreset[j]->setToolTip(UnusedPresetTip);
        } else {
            optPreset[j]->setText(ThousandsOf(preset.ModeSettings.FreqCurrent));
            optPreset[j]->setToolTip(QString::fromStdString(preset.Description));
        }
    }
}

void frmMain::ClearPresetButtons()
{
    QButtonGroup* group = optPreset[0]->group();
    group->setExclusive(false);
    for (QAbstractButton* button : optPreset)
        button->setChecked(false);
    group->setExclusive(true);
    optPreset.HighlightOnly(optPreset.LBound() - 1, PresetNotInForceColour);
}

void frmMain::SelectPresetButton(int Index)
{
    optPreset.Select(Index);
    if (optPreset.Contains(Index))
        FormControls::SetForeColour(optPreset[Index], ButtonArray::ChosenColour);
}

void frmMain::optSubBand_Click(int Index)
{
    if (subBandBusy_ || !ValidBand(CurrentMainBandIndex))
        return;
    BusyGuard busy(subBandBusy_);
    BandRecord& band = BandPlans[static_cast<size_t>(CurrentMainBandIndex)];
    if (Index < 0 || static_cast<size_t>(Index) >= band.SubBands.size() || !optSubBand.Contains(Index))
        return;
    optSubBand.HighlightOnly(Index, SubBandColour, ChosenSubBandColour);
    optSubBand.Select(Index);
    band.ActiveSubBand = Index;
    SubBandRecord& subBand = band.SubBands[static_cast<size_t>(Index)];
    if (!FormLoading) {
        // The largest table step not above the stored one; none for a step of 0 or less.
        const auto& steps = PublicVars::TuningSteps;
        for (size_t step = 0; step < steps.size(); ++step) {
            if (steps[step] > 0 && steps[step] <= subBand.ModeSettings.TuneStep) {
                Frequency->SetTuneStep(static_cast<int32_t>(step), true);   // set even while locked
                break;
            }
        }
    }
    ShowPresetCaptions(subBand, true);
    const int active = subBand.ActivePreset;
    if (active >= 0 && subBand.Presets[static_cast<size_t>(active)].Active) {
        optPreset_MouseDown(active, 1, 0, 0.0, 0.0);
    } else {
        ClearPresetButtons();
        ApplyPreset(subBand.ModeSettings);
    }
    if (lstSubBandSelect->count() > Index)
        lstSubBandSelect->setCurrentRow(Index);
    if (cboSubBandSelect->count() > Index)
        cboSubBandSelect->setCurrentIndex(Index);
}

void frmMain::StoreSubBandTuneStep(int32_t Index)
{
    if (!ValidBand(CurrentMainBandIndex) || Index < 0 || static_cast<size_t>(Index) >= PublicVars::TuningSteps.size())
        return;
    SubBandRecord* subBand = ActiveSubBandOf(BandPlans[static_cast<size_t>(CurrentMainBandIndex)]);
    if (!subBand)
        return;
    subBand->ModeSettings.TuneStep = PublicVars::TuningSteps[static_cast<size_t>(Index)];
    subBand->ModeSettings.Changed = true;
}

void frmMain::cboSubBandSelect_Click()
{
    const int index = cboSubBandSelect->currentIndex();
    if (index < 0)
        return;
    lblSubBand->setText(" " + cboSubBandSelect->currentText() + " ");
    lblSubBand->setProperty("Tag", QString::number(index));
    lblSubBand->update();
    optSubBand.Select(index);
}

void frmMain::lstSubBandSelect_Click()
{
    const int index = lstSubBandSelect->currentRow();
    if (index < 0)
        return;
    lblSubBand->setText(" " + lstSubBandSelect->currentItem()->text() + " ");
    lblSubBand->setProperty("Tag", QString::number(index));
    lblSubBand->update();
    optSubBand_Click(index);
}

// Left: selects the sub-band again even when it is the selected one. Right: renames it.
void frmMain::optSubBand_MouseDown(int Index, int Button, int, double, double)
{
    if (!ValidBand(CurrentMainBandIndex) || !optSubBand.Contains(Index))
        return;
    BandRecord& band = BandPlans[static_cast<size_t>(CurrentMainBandIndex)];
    if (static_cast<size_t>(Index) >= band.SubBands.size())
        return;
    optSubBand.HighlightOnly(Index, RenamingOthersColour, RenamingColour);
    const bool wasSelected = optSubBand.Selected() == Index;
    optSubBand.Select(Index);
    band.ActiveSubBand = Index;
    if (Button == 2) {
        const std::string name = InputBoxes::InputBox("Enter SubBand Name");
        if (!name.empty()) {
            band.SubBands[static_cast<size_t>(Index)].Caption = name;
            optSubBand[Index]->setText(QString::fromStdString(name));
        }
    } else if (Button == 1 && wasSelected) {
        optSubBand_Click(Index);
    }
}

// Insert renames the selected band; the box entry is replaced and the band selected again.
void frmMain::cboBandSelect_KeyDown(int KeyCode)
{
    const int index = cboBandSelect->currentIndex();
    if (KeyCode != InsertKey || !ValidBand(index))
        return;
    const std::string name = InputBoxes::InputBox("Enter New Band Plan Name");
    if (name.empty())
        return;
    BandPlans[static_cast<size_t>(index)].Caption = name;
    {
        const QSignalBlocker quiet(cboBandSelect);
        cboBandSelect->removeItem(index);
        cboBandSelect->insertItem(index, QString::fromStdString(name));
        cboBandSelect->setCurrentIndex(index);
    }
    cboBandSelect_Click();
}

void frmMain::lblSubBand_MouseMove()
{
    lblSubBand->hide();
    cboSubBandSelect->show();
    cboSubBandSelect->setEnabled(true);
    cboSubBandSelect->setFocus();
}

// The list takes the focus when the pointer is over its upper half.
void frmMain::lstSubBandSelect_MouseMove(int, int, double X, double Y)
{
    const QRect list = lstSubBandSelect->geometry();
    const double x = X / FormUnits::TwipsPerPixel + list.left();
    const double y = Y / FormUnits::TwipsPerPixel + list.top();
    if (x > list.left() && x < list.left() + list.width() && y < list.height() / 2.0)
        lstSubBandSelect->setFocus();
}

void frmMain::picSubBands_MouseMove()
{
    if (PresetDesc)
        PresetDesc->hide();
    HideBandSelectors();
}

// The mouse and keys of the band controls and of the sub-band and preset buttons. Presses and
// releases of a preset button are the preset's own (the button does not toggle by itself).
bool frmMain::BandPlanControlEvent(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // Opening the selector's own list takes the focus for a while: the selector stays.
    if (type == QEvent::FocusOut && (watched == cboBandSelect || watched == cboSubBandSelect)) {
        auto* selector = static_cast<QComboBox*>(watched);
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && !selector->view()->isVisible())
            selector->hide();
        return false;
    }
    if (type == QEvent::KeyPress && watched == cboBandSelect) {
        cboBandSelect_KeyDown(static_cast<QKeyEvent*>(event)->key() == Qt::Key_Insert ? InsertKey : 0);
        return false;
    }
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
                       || type == QEvent::MouseMove;
    if (!mouse && type != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int index = optPreset.IndexOf(widget);
        if (index >= optPreset.LBound())
            optPreset_KeyDown(index, key->key(), MouseCodes::ShiftCode(key->modifiers()));
        return false;
    }
    const auto* mouseEvent = static_cast<QMouseEvent*>(event);
    const bool move = type == QEvent::MouseMove;
    const int button = MouseCodes::ButtonCode(move ? mouseEvent->buttons() : Qt::MouseButtons(mouseEvent->button()));
    const int shift = MouseCodes::ShiftCode(mouseEvent->modifiers());
    const QPointF at = mouseEvent->position() * FormUnits::TwipsPerPixel;
    if (watched == lstSubBandSelect) {
        if (move)
            lstSubBandSelect_MouseMove(button, shift, at.x(), at.y());
        return false;
    }
    if (const int index = optSubBand.IndexOf(widget); index >= optSubBand.LBound()) {
        if (move)
            optSubBand_MouseMove(index, button, shift, at.x(), at.y());
        else if (type == QEvent::MouseButtonPress)
            optSubBand_MouseDown(index, button, shift, at.x(), at.y());
        return false;
    }
    if (const int index = optPreset.IndexOf(widget); index >= optPreset.LBound()) {
        if (move) {
            optPreset_MouseMove(index, button, shift, at.x(), at.y());
            return false;
        }
        if (type == QEvent::MouseButtonPress)
            optPreset_MouseDown(index, button, shift, at.x(), at.y());
        else
            optPreset_MouseUp(index, button, shift, at.x(), at.y());
        return true;
    }
    return false;
}
