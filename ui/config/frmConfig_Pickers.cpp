// Buttons that only change the window's own controls: defaults for a tab, the file pickers
// and the reference-clock calibration. Nothing reaches the receiver before Apply.
#include "ui/config/frmConfig.h"

#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
#include "platform/AppPaths.h"
#include "platform/FileDialogs.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "radio/frmCalibrate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

#include <cmath>

namespace {

constexpr double DefaultBitPeriod = 5e-6;   // seconds

QString PeriodText(double seconds) { return QString::fromStdString(Format(seconds, "0.000000000")); }

} // namespace

void frmConfig::cmdBitPeriodDefault_Click()
{
    txtBitPeriod->setText(PeriodText(DefaultBitPeriod));
}

// The printer port's defaults for the model chosen in the list, applied or not.
void frmConfig::cmdParallelPortDefaults_Click()
{
    txtPortAddress->setText("&H378");
    txtParallelPortBitPeriod->setText(PeriodText(DefaultBitPeriod));
    if (NewSDRModelNo < 0 || NewSDRModelNo >= static_cast<int32_t>(RXDefinitions::RXModels.size()))
        return;
    const RXModelRecord& m = RXDefinitions::RXModels[static_cast<size_t>(NewSDRModelNo)];
    cboIOUPDBitNo->setCurrentIndex(m.IOUPDBitNo);
    cboSCLCKBitNo->setCurrentIndex(m.SCLCKBitNo);
    cboSDATABitNo->setCurrentIndex(m.SDATABitNo);
    chkInvertingIF->setChecked(m.Inverting);
}

// Whether the decoder starts on DRM, its path and its arguments are the user's own.
void frmConfig::cmdDreamDefault_Click()
{
    chkMuteAFOnDRM->setChecked(true);
    chkCloseSoundCardOnDRM->setChecked(false);
    chkDreamCloseOnExit->setChecked(true);
    chkDreamCloseOnModeChange->setChecked(true);
    optDreamWindow.Select(1);
}

// Each picker is a dialog of its own: no option of one carries over to the other, and a
// cancelled pick leaves the text as it was.
void frmConfig::cmdFindDREAM_Click()
{
    FileDialogs::FileRequest request;
    request.owner = this;
    request.title = "Select DREAM executable";
    const QFileInfo current(txtPathToDream->text());
    request.initialFolder = txtPathToDream->text().isEmpty() ? "" : current.absolutePath().toStdString();
    request.initialName = "dream.exe";
    // The decoder's program carries no extension here, so every file is offered first.
    request.fileTypes = {{"Executables (*.exe)", "*.exe"}, {"All Files (*.*)", "*"}};
    request.filterIndex = 2;
    request.fileMustExist = true;
    if (const FileDialogs::FileResult result = FileDialogs::ShowFile(request); result.chosen)
        txtPathToDream->setText(QString::fromStdString(result.path));
}

void frmConfig::cmdSavePath_Click()
{
    FileDialogs::FileRequest request;
    request.mode = FileDialogs::Mode::Folder;
    request.owner = this;
    request.title = "Select Path for Saving Recordings";
    request.initialFolder = SaveRecordingsPath;
    if (const FileDialogs::FileResult result = FileDialogs::ShowFile(request); result.chosen)
        txtSaveRecordingsPath->setText(QString::fromStdString(result.path));
}

// The calibration window sets the chip's clock itself; the text only mirrors it.
void frmConfig::cmdCalDDS_Click()
{
    if (!VFO)
        return;
    frmCalibrate calibrate(*VFO, this);
    calibrate.exec();
    if (calibrate.ApplyChanges && VFO->OscType())
        txtDDSClkin->setText(QString::fromStdString(Format(std::fabs(VFO->OscType()->ClkIn()), "#0 000 000")));
}
