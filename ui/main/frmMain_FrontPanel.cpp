#include "ui/main/frmMain.h"

#include "core/PublicVars.h"
#include "ui/common/Frame.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/PictureBox.h"
#include "ui/main/PanelBuilder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

using namespace PanelBuilder;

namespace {

// The front panel's width; its height is the chosen display size's (the marker lines).
constexpr int FormWidth = 12600;

QFont Tiny(QFont font)
{
    font.setPointSizeF(6.0);
    return font;
}

}   // namespace

// The front panel in horizontal bands: frequency display, presets, tuning dial, S-meter and
// power; the receive controls; the spectrum display with its controls and the statistics;
// the recorder bar and the configuration button.
void frmMain::CreateControls()
{
    auto* form = new QWidget(this);
    form->setObjectName("form");
    form->setMouseTracking(true);
    form->installEventFilter(this);
    QFont small = form->font();
    small.setPointSizeF(7.5);
    form->setFont(small);
    setCentralWidget(form);
    ApplyDesignColours();

    CreateFrequencyControls(form);
    CreateMeterAndPower(form);
    CreateReceiveControls(form);
    CreateScopeControls(form);
    CreateRecorderBar(form);
    CreateTrackPanel();
    CreateMarkerLines(form);
    ConnectFrameFocus();
    ConnectDisplaySize();
    UnFocusFrames();
    SMeter->DrawSMeter();
    resize(FormUnits::TwipsToPixels(FormWidth), FormUnits::TwipsToPixels(linConfig->Y1()));
}

// The window's own colours from the colour scheme: background, label text, and dark
// faces for the buttons and boxes.
void frmMain::ApplyDesignColours()
{
    const SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    QPalette colours = palette();
    const QColor text = FormUnits::OleColour(static_cast<uint32_t>(scheme.SDRLabelColour));
    colours.setColor(QPalette::Window, FormUnits::OleColour(static_cast<uint32_t>(scheme.SDRBackgroundColour)));
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::Button, QColor(40, 40, 44));
    colours.setColor(QPalette::Base, QColor(24, 24, 28));
    colours.setColor(QPalette::AlternateBase, QColor(34, 34, 38));
    colours.setColor(QPalette::Light, QColor(90, 90, 96));
    colours.setColor(QPalette::Midlight, QColor(70, 70, 76));
    colours.setColor(QPalette::Mid, QColor(60, 60, 66));
    colours.setColor(QPalette::Dark, QColor(50, 50, 56));
    colours.setColor(QPalette::Shadow, QColor(10, 10, 10));
    colours.setColor(QPalette::Highlight, QColor(0, 150, 150));
    setPalette(colours);
}

void frmMain::CreateFrequencyControls(QWidget* form)
{
    Frequency = std::make_unique<FrequencyPanel>(form, Hub, [this](Frame* frFreqCtl) {
        auto* presets = MakeFrame(frFreqCtl, "frPresets", "Band", {4050, 120, 3840, 1095});
        CreatePresetControls(presets);
    });
}

// The band and sub-band selectors and the rows of sub-band and preset buttons.
void frmMain::CreatePresetControls(Frame* frame)
{
    frPresets = frame;
    imgBandSelect = Make<Image>(frPresets, "imgBandSelect", {30, 90, 3780, 330});
    cboBandSelect = Make<QComboBox>(frPresets, "cboBandSelect", {90, 120, 1740, 270});
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
}

// The S-meter and its zero button; the power buttons.
void frmMain::CreateMeterAndPower(QWidget* form)
{
    SMeter = std::make_unique<SMeterPanel>(form, Place{9240, 60, 3300, 750}, Place{9240, 870, 570, 360});
    cmdMoreControls = MakeCommand(form, "cmdMoreControls", "\u25BC", "All the controls", {9840, 870, 270, 360});
    frPower = MakeFrame(form, "frPower", "Power", {10140, 810, 2400, 465});
    optPwr = MakeArray(frPower, "optPwr", ButtonArray::Kind::Option,
                       {{"On", "Start Receiving", {120, 195, 630, 240}},
                        {"Off", "Stop Receiving", {840, 195, 630, 240}},
                        {"&Close", "Close the Receiver", {1560, 195, 780, 240}}});
    // Out of the user's reach until the start-up has every table and object in place.
    for (QAbstractButton* button : optPwr)
        button->setEnabled(false);
    optPwr.OnClick([this](int index) { optPwr_Click(index); });
}
