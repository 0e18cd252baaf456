#include "radio/frmCalibrate.h"

#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"
#include "radio/clsCY27EE16.h"
#include "radio/clsSoftDDS.h"
#include "radio/clsVFO.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <cstdlib>

namespace {

constexpr const char* NumberPicture = "#0 000 000";
constexpr const char* DesignValue = "88.888 888";
constexpr double TwoTo32 = 4294967296.0;

// Window positions are laid out in twips, 15 to a pixel.
int Px(int twips) { return twips / 15; }

QString Shown(double value) { return QString::fromStdString(Format(value, NumberPicture)); }

void ShowMessage(const std::string& text) { MessageBoxes::MsgBox(text, MessageBoxes::vbOKOnly); }

} // namespace

frmCalibrate::frmCalibrate(clsVFO& vfo, QWidget* parent) : QDialog(parent), vfo_(vfo)
{
    CreateControls();
    Form_Load();
}

void frmCalibrate::CreateControls()
{
    setWindowTitle("DDS Calibration");
    QFont tahoma("Tahoma");
    tahoma.setPointSizeF(8.25);
    setFont(tahoma);
    setFixedSize(Px(3855), Px(3030));

    const auto label = [this](const char* text, int left, int top, int width) {
        auto* control = new QLabel(text, this);
        control->setGeometry(Px(left), Px(top), Px(width), Px(255));
        return control;
    };
    lblOfficialFreq = label("Official Freq", 120, 120, 1575);
    txtOfficialFreq = new QLineEdit(DesignValue, this);
    txtOfficialFreq->setGeometry(Px(1800), Px(120), Px(1215), Px(285));
    txtOfficialFreq->setToolTip("Published Frequency in Hz");
    Label1[2] = label("Hz", 3120, 120, 375);

    Label1[0] = label("Current Tuned Freq", 120, 720, 1575);
    lblCurrentTunedFreq = label(DesignValue, 1800, 720, 1215);
    lblCurrentTunedFreq->setToolTip("Currently Tuned Frequency");
    Label1[1] = label("Hz", 3120, 720, 375);

    Label1[3] = label("DDS CLKIN (Current)", 120, 1080, 1575);
    lblDDSClkInCurrent = label(DesignValue, 1800, 1080, 1215);
    Label1[4] = label("Hz", 3120, 1080, 375);

    Label1[5] = label("DDS CLKIN (New)", 120, 1440, 1455);
    lblDDSClkinNew = label(DesignValue, 1800, 1440, 1215);
    Label1[6] = label("Hz", 3120, 1440, 375);

    const auto button = [this](const char* caption, int left) {
        auto* control = new QPushButton(caption, this);
        control->setGeometry(Px(left), Px(2400), Px(975), Px(375));
        control->setAutoDefault(false);
        return control;
    };
    cmdTry = button("&Try It", 120);
    cmdApply = button("&Apply", 1440);
    cmdCancel = button("&Cancel", 2760);

    connect(cmdTry, &QPushButton::clicked, this, [this] { cmdTry_Click(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

QString frmCalibrate::RefusalReason() const
{
    const auto& chip = vfo_.OscType();
    if (!chip)
        return "The receiver has no oscillator driver to calibrate. Set up the receiver model first.";
    if (dynamic_cast<const clsCY27EE16*>(chip.get()))
        return "The CY27EE16 clock generator is tuned from a table, not by a tuning word: its reference clock "
               "cannot be calibrated here.";
    if (dynamic_cast<const clsSoftDDS*>(chip.get()))
        return "A crystal-controlled receiver has no tunable oscillator: its clock cannot be calibrated here. "
               "Correct the crystal frequency in the receiver configuration instead.";
    return {};
}

void frmCalibrate::Form_Load()
{
    setWindowTitle(QString(AppPaths::ProductName) + " - Calibrate DDS CLKIN");
    const QString refusal = RefusalReason();
    refused_ = !refusal.isEmpty();
    const auto& chip = vfo_.OscType();
    currentClock_ = chip ? chip->ClkIn() : 0;
    currentTunedFreq_ = Numeric::CLng(vfo_.TunedFrequency() / 10.0);
    ifFrequency_ = vfo_.IFFrequency();
    tuningWord_ = chip ? chip->CurrentTuningWord() : 0;
    if (vfo_.PLLMultiplier() != 0)
        multiplierRatio_ = static_cast<double>(vfo_.OscMultiplier()) / vfo_.PLLMultiplier();

    lblCurrentTunedFreq->setText(Shown(currentTunedFreq_));
    lblDDSClkInCurrent->setText(Shown(currentClock_));
    if (refused_) {
        MessageBoxes::MsgBox(refusal.toStdString(), MessageBoxes::vbOKOnly);
        txtOfficialFreq->setEnabled(false);
        cmdTry->setEnabled(false);
        cmdApply->setEnabled(false);
        return;
    }
    connect(txtOfficialFreq, &QLineEdit::textChanged, this, [this] { txtOfficialFreq_Change(); });
    txtOfficialFreq->setText(Shown(currentTunedFreq_));
}

void frmCalibrate::txtOfficialFreq_Change()
{
    int32_t official = 0;
    try {
        official = Numeric::CLng(Numeric::Val(txtOfficialFreq->text().toStdString()));
    } catch (const OverflowError&) {
        ShowMessage("Official Frequency is too large: enter it in Hz");
        return;
    }
    if (official == 0) {
        ShowMessage("Official Frequency must not be ZERO");
        return;
    }
    const int64_t oscillator = vfo_.HiSideLo() ? int64_t{official} + ifFrequency_ : int64_t{official} - ifFrequency_;
    if (oscillator == 0 || tuningWord_ <= 0 || multiplierRatio_ == 0)
        return;
    // The chip runs at the oscillator frequency times the VFO's multiplier ratio.
    const double clock = TwoTo32 * std::fabs(multiplierRatio_ * static_cast<double>(oscillator)) / tuningWord_;
    if (!std::isfinite(clock) || clock <= 0)
        return;
    newClock_ = clock;
    lblDDSClkinNew->setText(Shown(newClock_));
}

bool frmCalibrate::AssignClock(double hertz)
{
    try {
        vfo_.OscType()->ClkIn(hertz);
        return true;
    } catch (const RuntimeError& error) {
        ShowMessage("The oscillator did not take the clock " + Format(hertz, NumberPicture) + " Hz:\n" +
                    error.Description());
        return false;
    }
}

bool frmCalibrate::HandNewClockToDriver()
{
    if (refused_)
        return false;
    if (newClock_ <= 0) {
        ShowMessage("No new clock has been worked out: tune to a station and enter its official frequency in Hz");
        return false;
    }
    return AssignClock(newClock_);
}

void frmCalibrate::cmdTry_Click() { HandNewClockToDriver(); }

void frmCalibrate::cmdApply_Click()
{
    if (!HandNewClockToDriver())
        return;
    ApplyChanges = true;
    accept();
}

void frmCalibrate::cmdCancel_Click()
{
    if (!refused_ && currentClock_ != 0)
        AssignClock(currentClock_);
    ApplyChanges = false;
    reject();
}
