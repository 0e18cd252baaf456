#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class clsVFO;

// Corrects the reference clock (ClkIn) of the oscillator driver in the VFO: the user tunes
// to a station of known frequency and enters that official frequency; the window works
// out the clock that would make the chip's present tuning word produce the oscillator
// frequency the official frequency needs, and lets the user try it, apply it or go back.
// The caller shows it modally and reads ApplyChanges afterwards.
//
// Chips without a tuning word (the CY27EE16 and the software oscillator) cannot be
// calibrated here: the window says so and offers only Cancel.
class frmCalibrate : public QDialog
{
    Q_OBJECT

public:
    explicit frmCalibrate(clsVFO& vfo, QWidget* parent = nullptr);

    // True after Apply, false after Cancel; unchanged by any other way of closing.
    bool ApplyChanges = false;

    QLabel* lblOfficialFreq;
    QLineEdit* txtOfficialFreq;
    std::array<QLabel*, 7> Label1;
    QLabel* lblCurrentTunedFreq;
    QLabel* lblDDSClkInCurrent;
    QLabel* lblDDSClkinNew;
    QPushButton* cmdTry;
    QPushButton* cmdApply;
    QPushButton* cmdCancel;

private:
    void CreateControls();
    void Form_Load();
    // Why the chip cannot be calibrated, or empty when it can.
    QString RefusalReason() const;
    void txtOfficialFreq_Change();
    void cmdTry_Click();
    void cmdApply_Click();
    void cmdCancel_Click();
    // Hands the new clock to the driver; false (after telling the user) when there is
    // none yet or the driver refuses it.
    bool HandNewClockToDriver();
    bool AssignClock(double hertz);

    clsVFO& vfo_;
    double currentClock_ = 0;         // Hz, the driver's clock at opening
    int32_t currentTunedFreq_ = 0;    // Hz
    int32_t ifFrequency_ = 0;         // Hz
    int32_t tuningWord_ = 0;
    double multiplierRatio_ = 0;      // oscillator over PLL multiplier; 0 when unusable
    double newClock_ = 0;             // Hz; 0 until one has been worked out
    bool refused_ = false;
};
