#include "ui/main/BandPlanPanel.h"

#include "bandplan/modBandPlan.h"
#include "core/BusyGuard.h"
#include "core/PublicVars.h"
#include "platform/InputBoxes.h"
#include "ui/bandplan/frmPresetDesc.h"
#include "ui/bandplan/frmSplash1.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/MouseCodes.h"
#include "ui/common/PictureBox.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/PanelBuilder.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalBlocker>

using namespace PanelBuilder;

namespace {

constexpr uint32_t SubBandColour = 0x0000C0;          // dark red
constexpr uint32_t ChosenSubBandColour = 0x0000FF;    // red
constexpr uint32_t RenamingOthersColour = 0xC0C0C0;
constexpr uint32_t RenamingColour = 0xFFFF00;
constexpr uint32_t PresetNotInForceColour = 0xC0C000;
constexpr int InsertKey = 45;
// The band selector's place on the frame as laid out (twips): its left, top, right edge and
// height, where the pointer finds it; and the least width that shows a band's name, for where
// it is shown.
constexpr int BandSelectorLeft = 90, BandSelectorTop = 120, BandSelectorRight = 1830, BandSelectorHeight = 270;
constexpr int BandSelectorMinWidth = 900;
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

QFont Tiny(QFont font)
{
    font.setPointSizeF(6.0);
    return font;
}

// A selector's place (frame twips) reveals it while the pointer is strictly between its left
// and right edges and less than half its height from the frame's top, on the frame's top edge
// where the caption is; once shown it stays while the pointer is above the place's bottom.
bool Reveals(const QRectF& place, bool shown, double X, double Y)
{
    const double depth = shown ? place.bottom() : place.height() / 2;
    return X > place.left() && X < place.right() && Y < depth;
}

QRectF PlaceInTwips(const QWidget* control)
{
    using FormUnits::PixelsToTwips;
    const QRect place = control->geometry();
    return QRectF(PixelsToTwips(place.left()), PixelsToTwips(place.top()), PixelsToTwips(place.width()),
                  PixelsToTwips(place.height()));
}

bool ListOpen(const QComboBox* selector) { return selector->view() && selector->view()->isVisible(); }

void HideUnlessOpen(QComboBox* selector)
{
    if (!ListOpen(selector))
        selector->hide();
}

} // namespace

// The band and sub-band selectors and the rows of sub-band and preset buttons.
BandPlanPanel::BandPlanPanel(QWidget* container, PanelHub& hub)
    : hub_(hub)
{
    frPresets = MakeFrame(container, "frPresets", "Band", {4050, 120, 3840, 1095});
    imgBandSelect = Make<Image>(frPresets, "imgBandSelect", {30, 90, 3780, 330});
    cboBandSelect = Make<QComboBox>(frPresets, "cboBandSelect", {BandSelectorLeft, BandSelectorTop,
                                                                  BandSelectorRight - BandSelectorLeft, BandSelectorHeight});
    cboBandSelect->setToolTip("Press Insert Key to Change BandName");
    cboSubBandSelect = Make<QComboBox>(frPresets, "cboSubBandSelect", {1920, 120, 1830, 270});
    cboSubBandSelect->hide();
    lstSubBandSelect = Make<QListWidget>(frPresets, "lstSubBandSelect", {1920, 120, 1830, 900});
    lstSubBandSelect->hide();
    lstSubBandSelect->setEnabled(false);
    lblSubBand = MakeLabel(frPresets, "lblSubBand", " SubBand ", {1920, 120, 1830, 270});

    picSubBands = Make<PictureBox>(frPresets, "picSubBands", {60, 390, 3720, 420});
    picSubBands->SetBackColor(static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRBackgroundColour));
    optSubBand = ButtonArray(picSubBands, "optSubBand", ButtonArray::Kind::Option, 18);
    for (int index = 0; index < 18; ++index) {
        optSubBand[index]->setText(QString("S%1").arg(index + 1));
        FormControls::Place(optSubBand[index], (index % 9) * 413, (index / 9) * 210, 405, 200);
    }
    Graphical(optSubBand);
    picSubBands->setFont(Tiny(picSubBands->font()));

    picPresets = Make<PictureBox>(frPresets, "picPresets", {60, 840, 3720, 210});
    picPresets->SetBackColor(static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRBackgroundColour));
    optPreset = ButtonArray(picPresets, "optPreset", ButtonArray::Kind::Option, 12);
    for (int index = 0; index < 12; ++index) {
        optPreset[index]->setText(QString("P%1").arg(index + 1));
        FormControls::Place(optPreset[index], index * 310, 0, 302, 200);
    }
    Graphical(optPreset);
    picPresets->setFont(Tiny(picPresets->font()));
    LayOutBandButtons();
    PlaceBandSelector();
}

void BandPlanPanel::Connect()
{
    connect(frPresets, &Frame::MouseMove, this, &BandPlanPanel::frPresets_MouseMove);
    connect(imgBandSelect, &Label::MouseMove, this, &BandPlanPanel::imgBandSelect_MouseMove);
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
    connect(&tmrSubBands, &QTimer::timeout, this, &BandPlanPanel::tmrSubBands_Timer);
    QWidget* window = frPresets->window();
    mnuUserPresets = new QMenu(window);
    mnuUserPresets->setObjectName("mnuUserPresets");
    connect(mnuUserPresets->addAction("Edit Preset"), &QAction::triggered, this, [this] { mnuUserPresets_Edit_Click(); });
    connect(mnuUserPresets->addAction("Save to Preset"), &QAction::triggered, this, [this] { mnuUserPresets_Save_Click(); });
    PresetDesc = new frmPresetDesc(window);
}

// Start-up: every band's caption as the start-up found it, none selected yet.
void BandPlanPanel::FillBandList()
{
    const QSignalBlocker quiet(cboBandSelect);
    cboBandSelect->clear();
    for (const BandRecord& band : BandPlans)
        cboBandSelect->addItem(QString::fromStdString(band.Caption));
    cboBandSelect->setCurrentIndex(-1);
}

// The colour scheme has given every option button the label colour; none is chosen yet.
void BandPlanPanel::InitialiseSubBandButtons() { optSubBand.HighlightOnly(optSubBand.LBound() - 1, SubBandColour); }

void BandPlanPanel::InitialisePresetButtons()
{
    optPreset.HighlightOnly(optPreset.LBound() - 1, ButtonArray::NormalColour);
}

// Start-up: the band used last (or the first), which selects it.
void BandPlanPanel::SelectLastBand()
{
    if (!BandPlans.empty())
        cboBandSelect->setCurrentIndex(ValidBand(CurrentMainBandIndex) ? CurrentMainBandIndex : 0);
}

void BandPlanPanel::cboBandSelect_Click() { SelectBand(cboBandSelect->currentIndex()); }

// Reads the band's file on its first selection (with the splash window up meanwhile), fills
// the sub-band controls and recalls the active sub-band's preset in force or its own state.
// A close of the window meanwhile is carried out once the band is selected.
void BandPlanPanel::SelectBand(int Index)
{
    if (selectBandBusy_ || !ValidBand(Index))
        return;
    {
        BusyGuard busy(selectBandBusy_);
        ShowBand(Index);
    }
    if (closeAfterBandLoad_)
        QMetaObject::invokeMethod(frPresets->window(), &QWidget::close, Qt::QueuedConnection);
}

void BandPlanPanel::ShowBand(int Index)
{
    CurrentMainBandIndex = Index;
    BandRecord& band = BandPlans[static_cast<size_t>(Index)];
    if (!band.Loaded) {
        frmSplash1 splash(frPresets->window());
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
void BandPlanPanel::FillSubBandControls(const BandRecord& band)
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
    PlaceBandSelector();
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

// The band selector shows over the frame's top edge, right of the frame's caption (the band's
// name) and a blank, so that it leaves the caption in view; it keeps its right edge.
void BandPlanPanel::PlaceBandSelector()
{
    using FormUnits::PixelsToTwips;
    const QRect caption = frPresets->CaptionBox();
    const int blank = frPresets->fontMetrics().horizontalAdvance(' ');
    const int clear = caption.isEmpty() ? 0 : PixelsToTwips(caption.right() + 1 + blank);
    const int left = std::min(std::max(BandSelectorLeft, clear), BandSelectorRight - BandSelectorMinWidth);
    FormControls::Place(cboBandSelect, left, BandSelectorTop, BandSelectorRight - left, BandSelectorHeight);
}

// The shown sub-band buttons share one row (two when there are more than nine), the twelve
// preset buttons two rows of six below them, so that a six-letter sub-band and a five-digit
// kilohertz preset caption show whole.
void BandPlanPanel::LayOutBandButtons()
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
void BandPlanPanel::ShowPresetCaptions(SubBandRecord& subBand, bool releaseUnused)
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

void BandPlanPanel::ClearPresetButtons()
{
    QButtonGroup* group = optPreset[0]->group();
    group->setExclusive(false);
    for (QAbstractButton* button : optPreset)
        button->setChecked(false);
    group->setExclusive(true);
    optPreset.HighlightOnly(optPreset.LBound() - 1, PresetNotInForceColour);
}

void BandPlanPanel::SelectPresetButton(int Index)
{
    optPreset.Select(Index);
    if (optPreset.Contains(Index))
        FormControls::SetForeColour(optPreset[Index], ButtonArray::ChosenColour);
}

void BandPlanPanel::optSubBand_Click(int Index)
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
    if (!hub_.WindowLoading()) {
        // The largest table step not above the stored one; none for a step of 0 or less.
        const auto& steps = PublicVars::TuningSteps;
        for (size_t step = 0; step < steps.size(); ++step) {
            if (steps[step] > 0 && steps[step] <= subBand.ModeSettings.TuneStep) {
                hub_.SetTuneStep(static_cast<int32_t>(step), true);   // set even while locked
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

void BandPlanPanel::StoreSubBandTuneStep(int32_t Index)
{
    if (!ValidBand(CurrentMainBandIndex) || Index < 0 || static_cast<size_t>(Index) >= PublicVars::TuningSteps.size())
        return;
    SubBandRecord* subBand = ActiveSubBandOf(BandPlans[static_cast<size_t>(CurrentMainBandIndex)]);
    if (!subBand)
        return;
    subBand->ModeSettings.TuneStep = PublicVars::TuningSteps[static_cast<size_t>(Index)];
    subBand->ModeSettings.Changed = true;
}

void BandPlanPanel::cboSubBandSelect_Click()
{
    const int index = cboSubBandSelect->currentIndex();
    if (index < 0)
        return;
    lblSubBand->setText(" " + cboSubBandSelect->currentText() + " ");
    lblSubBand->setProperty("Tag", QString::number(index));
    lblSubBand->update();
    optSubBand.Select(index);
}

void BandPlanPanel::lstSubBandSelect_Click()
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
void BandPlanPanel::optSubBand_MouseDown(int Index, int Button, int, double, double)
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
void BandPlanPanel::cboBandSelect_KeyDown(int KeyCode)
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

void BandPlanPanel::lblSubBand_MouseMove()
{
    lblSubBand->hide();
    cboSubBandSelect->show();
    cboSubBandSelect->setEnabled(true);
    cboSubBandSelect->setFocus();
}

// The list takes the focus when the pointer is over its upper half.
void BandPlanPanel::lstSubBandSelect_MouseMove(int, int, double X, double Y)
{
    const QRect list = lstSubBandSelect->geometry();
    const double x = X / FormUnits::TwipsPerPixel + list.left();
    const double y = Y / FormUnits::TwipsPerPixel + list.top();
    if (x > list.left() && x < list.left() + list.width() && y < list.height() / 2.0)
        lstSubBandSelect->setFocus();
}

void BandPlanPanel::picSubBands_MouseMove()
{
    if (PresetDesc)
        PresetDesc->hide();
    HideBandSelectors();
}

// The image lies over the selectors' places: over their upper halves it reveals them as the
// frame's background does (X, Y are the image's own twips).
void BandPlanPanel::imgBandSelect_MouseMove(int, int, double X, double Y)
{
    hub_.UnFocusFrames();
    using FormUnits::PixelsToTwips;
    RevealBandSelectors(X + PixelsToTwips(imgBandSelect->x()), Y + PixelsToTwips(imgBandSelect->y()));
    lblSubBand->update();
}

void BandPlanPanel::frPresets_MouseMove(int, int, double X, double Y)
{
    hub_.UnFocusFrames();
    FormControls::SetForeColour(frPresets, static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameFocusColour));
    RevealBandSelectors(X, Y);
    if (PresetDesc)
        PresetDesc->hide();
    hub_.LoLiteScrollLabel(0);
}

// The band and sub-band selectors appear while the pointer (frame twips) is over the frame's
// top edge above their places, and stay while it is over their places; the sub-band label
// gives way to its selector. The band selector is found where it is laid out, under the
// band's name, though it is shown right of the name.
void BandPlanPanel::RevealBandSelectors(double X, double Y)
{
    const QRectF bandPlace(BandSelectorLeft, BandSelectorTop, BandSelectorRight - BandSelectorLeft, BandSelectorHeight);
    const bool band = Reveals(bandPlace, cboBandSelect->isVisible(), X, Y);
    const bool subBand = cboSubBandSelect->isEnabled() &&
                         Reveals(PlaceInTwips(cboSubBandSelect), cboSubBandSelect->isVisible(), X, Y);
    HideBandSelectors();
    lstSubBandSelect->setEnabled(false);
    if (band)
        cboBandSelect->show();
    if (subBand) {
        cboSubBandSelect->show();
        lblSubBand->hide();
    }
}

// A selector whose list is open stays until an entry is picked or the list is closed.
void BandPlanPanel::HideBandSelectors()
{
    HideUnlessOpen(cboBandSelect);
    HideUnlessOpen(cboSubBandSelect);
    lstSubBandSelect->hide();
    if (!cboSubBandSelect->isVisible())
        lblSubBand->show();
}

bool BandPlanPanel::eventFilter(QObject* watched, QEvent* event)
{
    return BandPlanControlEvent(watched, event) || QObject::eventFilter(watched, event);
}

// The mouse and keys of the band controls and of the sub-band and preset buttons. Presses and
// releases of a preset button are the preset's own (the button does not toggle by itself).
bool BandPlanPanel::BandPlanControlEvent(QObject* watched, QEvent* event)
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
