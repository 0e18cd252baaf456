#include "ui/bandplan/frmEditUserPreset.h"

#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "platform/AppPaths.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

const char* const DemodulationCaptions[] = {"AM", "USB", "LSB", "DRM"};
const char* const FilteringCaptions[] = {"Off", "400Hz", "2.4KHz", "3.2KHz", "4KHz"};

QLabel* Caption(QWidget* container, const char* text, int left, int top, int width)
{
    auto* label = new QLabel(text, container);
    FormControls::Place(label, left, top, width, 255);
    return label;
}

// The first option selected, or the value unchanged when none is.
void TakeSelected(const ButtonArray& options, int32_t& value)
{
    const int selected = options.Selected();
    if (selected >= options.LBound())
        value = selected;
}

// The frequency text read as a number with its blanks ignored (grouping blanks), rounded to
// whole hertz; text that does not begin with a number, or a number beyond the field, gives 0
// (an unused preset).
int32_t FrequencyFromText(QString text)
{
    text.remove(' ');
    const double hertz = Numeric::Val(text.toStdString());
    if (!std::isfinite(hertz) || std::fabs(hertz) > 2147483647.0)
        return 0;
    return Numeric::CLng(hertz);
}

// Options side by side, each as wide as its caption needs; the row's box takes their width.
template <size_t N>
void PlaceInRow(const ButtonArray& options, const char* const (&captions)[N])
{
    int left = 0;
    for (int index = 0; index < static_cast<int>(N); ++index) {
        QAbstractButton* option = options[index];
        option->setText(captions[index]);
        option->setGeometry(left, 0, option->sizeHint().width(), FormUnits::TwipsToPixels(315));
        left += option->width() + FormUnits::TwipsToPixels(60);
    }
    QWidget* row = options[0]->parentWidget();
    row->resize(std::max(row->width(), left), row->height());
}

} // namespace

std::function<void(frmEditUserPreset&)> frmEditUserPreset::ShowModal = [](frmEditUserPreset& window) {
    window.exec();
};

frmEditUserPreset::frmEditUserPreset(QWidget* owner)
    : QDialog(owner)
{
    setObjectName("frmEditUserPreset");
    setModal(true);
    CreateControls(owner);
    connect(cmdSave, &QPushButton::clicked, this, &frmEditUserPreset::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEditUserPreset::cmdCancel_Click);
    Form_Load();
}

void frmEditUserPreset::CreateControls(QWidget* owner)
{
    Caption(this, "Preset No.", 120, 120, 1200);
    lblPresetIndex = new QLabel(this);
    lblPresetIndex->setObjectName("lblPresetIndex");
    FormControls::Place(lblPresetIndex, 1440, 120, 600, 255);

    txtPresetValues = ControlArray<QLineEdit>(this, "txtPresetValues", 4);
    Caption(this, "Description", 120, 480, 1200);
    FormControls::Place(txtPresetValues[0], 1440, 450, 3000, 315);
    Caption(this, "Frequency", 120, 870, 1200);
    FormControls::Place(txtPresetValues[1], 1440, 840, 1800, 315);
    Caption(this, "Hz", 3300, 870, 400);

    Caption(this, "Demodulation", 120, 1260, 1300);
    picDemodulation = new QWidget(this);
    picDemodulation->setObjectName("picDemodulation");
    FormControls::Place(picDemodulation, 1440, 1230, 3000, 315);
    optDemodulationValue = ButtonArray(picDemodulation, "optDemodulationValue", ButtonArray::Kind::Option, 4);
    PlaceInRow(optDemodulationValue, DemodulationCaptions);

    Caption(this, "Filtering", 120, 1650, 1300);
    PicFiltering = new QWidget(this);
    PicFiltering->setObjectName("PicFiltering");
    FormControls::Place(PicFiltering, 1440, 1620, 4500, 315);
    optFilteringValues = ButtonArray(PicFiltering, "optFilteringValues", ButtonArray::Kind::Option, 5);
    PlaceInRow(optFilteringValues, FilteringCaptions);

    Caption(this, "Date", 120, 2040, 1200);
    FormControls::Place(txtPresetValues[2], 1440, 2010, 1500, 315);
    Caption(this, "Time", 3060, 2040, 600);
    FormControls::Place(txtPresetValues[3], 3660, 2010, 1200, 315);

    chkPresetTuneImage = new QCheckBox("Low Side LO", this);
    chkPresetTuneImage->setObjectName("chkPresetTuneImage");
    FormControls::Place(chkPresetTuneImage, 1440, 2400, 2000, 315);

    cmdSave = new QPushButton(this);
    cmdSave->setObjectName("cmdSave");
    FormControls::Place(cmdSave, 1440, 2850, 1300, 400);
    cmdCancel = new QPushButton("&Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    FormControls::Place(cmdCancel, 3000, 2850, 1300, 400);
    // Wide enough for the row of filter options, however wide the font makes them.
    const int rowRight = PicFiltering->x() + PicFiltering->width() + FormUnits::TwipsToPixels(120);
    FormControls::Place(this, 0, 0, std::max(6120, FormUnits::PixelsToTwips(rowRight)), 3450);
    if (owner)
        move(owner->window()->frameGeometry().center() - rect().center());
}

void frmEditUserPreset::Form_Load()
{
    PresetEditOK = false;
    const PresetRecord& preset = PresetEditRecord;
    const ModeSettingsRecord& state = preset.ModeSettings;
    setWindowTitle(QString::fromStdString(std::string(AppPaths::ProductName) + " - " + PresetEditTitle));
    lblPresetIndex->setText(QString::number(preset.Index + 1));   // as its button names it
    txtPresetValues[0]->setText(QString::fromStdString(preset.Description));
    txtPresetValues[1]->setText(QString::fromStdString(Format(state.FreqCurrent, "### ### 000")));
    const QString when = QString::fromStdString(preset.When);
    txtPresetValues[2]->setText(when.left(10));
    txtPresetValues[3]->setText(when.mid(11, 8));
    optDemodulationValue.Select(optDemodulationValue.Contains(state.DemodMode) ? state.DemodMode : 0);
    optFilteringValues.Select(optFilteringValues.Contains(state.FilterMode) ? state.FilterMode : 0);
    chkPresetTuneImage->setChecked(state.LowSideLO);
    cmdSave->setText(QString::fromStdString(PresetEditButtonCaption));
}

void frmEditUserPreset::cmdSave_Click()
{
    PresetRecord& preset = PresetEditRecord;
    ModeSettingsRecord& state = preset.ModeSettings;
    TakeSelected(optDemodulationValue, state.DemodMode);
    TakeSelected(optFilteringValues, state.FilterMode);
    state.LowSideLO = chkPresetTuneImage->isChecked();
    // Text that is not UTF-8 cannot come back from the box as it was: it is taken only when edited.
    if (txtPresetValues[0]->text() != QString::fromStdString(preset.Description))
        preset.Description = txtPresetValues[0]->text().toStdString();
    state.FreqCurrent = FrequencyFromText(txtPresetValues[1]->text());
    preset.When = (txtPresetValues[2]->text() + " " + txtPresetValues[3]->text()).toStdString();
    preset.Caption = Format(std::floor(state.FreqCurrent / 1000.0 + 0.5), "#0");
    PresetEditOK = true;
    close();
}

void frmEditUserPreset::cmdCancel_Click()
{
    PresetEditOK = false;
    close();
}
