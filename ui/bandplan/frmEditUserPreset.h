#pragma once

#include "bandplan/BandRecord.h"
#include "ui/common/ButtonArray.h"
#include "ui/common/ControlArray.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The hand-over between the main window and the preset window: the preset being edited,
// whether the user confirmed it, the window's title and the confirming button's caption.
inline PresetRecord PresetEditRecord;
inline bool PresetEditOK = false;
inline std::string PresetEditTitle;
inline std::string PresetEditButtonCaption;

// The modal preset window: edits PresetEditRecord's description, frequency, demodulation,
// filter, date, time and injection side. Save writes them back and sets PresetEditOK.
class frmEditUserPreset : public QDialog
{
    Q_OBJECT
public:
    explicit frmEditUserPreset(QWidget* owner = nullptr);

    // Shows a window modally; tests replace it to act on the window and return at once.
    static std::function<void(frmEditUserPreset&)> ShowModal;

    void Form_Load();
    void cmdSave_Click();
    void cmdCancel_Click();

    QLabel* lblPresetIndex;
    ControlArray<QLineEdit> txtPresetValues;   // 0 description, 1 frequency, 2 date, 3 time
    QWidget* picDemodulation;
    ButtonArray optDemodulationValue;          // AM, USB, LSB, DRM
    QWidget* PicFiltering;
    ButtonArray optFilteringValues;            // Off, 400Hz, 2.4KHz, 3.2KHz, 4KHz
    QCheckBox* chkPresetTuneImage;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;

private:
    void CreateControls(QWidget* owner);
};
