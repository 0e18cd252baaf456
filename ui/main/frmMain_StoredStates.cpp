#include "ui/main/frmMain.h"

#include "audio/clsWavFile.h"
#include "radio/HardwareObjects.h"
#include "ui/common/Label.h"

#include <QCheckBox>

namespace {

// Selects an option; a button that was selected already gets its handler run all the same.
void SelectAndRun(ButtonArray& options, int index, const std::function<void(int)>& handler)
{
    if (options.Contains(index) && options.Selected() != index)
        options.Select(index);   // the change runs the handler
    else
        handler(index);
}

// A button's caption without its access key; nothing for an index without a button.
std::string CaptionOf(const ButtonArray& options, int index)
{
    return options.Contains(index) ? options[index]->text().remove('&').toStdString() : std::string();
}

} // namespace

// What the band plan asks of the tuning, the receive controls and the recorder when it puts a
// stored state in force or reads the receiver's state back.
void frmMain::ConnectBandPlanRequests()
{
    Hub.TuneToStored = [this](int32_t tenths) {
        VFO->TunedFrequency(StoredForShown(tenths));   // stored as shown
        Display7Seg(VFO->FormattedTunedFreq());
        imgTuneStepLock->setVisible(VFO->TuneStepLock());
    };
    Hub.SetTuneStep = [this](int32_t index, bool unlock) { SetTuneStep(index, unlock); };
    Hub.SetLowSideLO = [this](bool lowSide) { SetCheckAndRun(chkTuneLo, lowSide, [this] { chkTuneLo_Click(); }); };
    Hub.SelectMode = [this](int index) { SelectAndRun(optMode, index, [this](int i) { optMode_Click(i); }); };
    Hub.SelectFilter = [this](int index) { SelectAndRun(optFilter, index, [this](int i) { optFilter_Click(i); }); };
    Hub.SetMusicMode = [this](bool on) {
        chkMusic->setChecked(false);
        chkMusic->setChecked(on);
    };
    Hub.SetDynFilter = [this](bool on) { chkDynFilter->setChecked(on); };
    Hub.SetIFFilterOn = [this](bool on) { SetCheckAndRun(chkIFFilter, on, [this] { chkIFFilter_Click(); }); };
    Hub.SelectIFFilter = [this](int index) {
        SelectAndRun(optIFFilter, index, [this](int i) { optIFFilter_Click(i); });
    };
    Hub.SetNotchOn = [this](bool on) { SetCheckAndRun(chkNotchOn, on, [this] { chkNotchOn_Click(); }); };
    Hub.SetNotchType = [this](bool ifType) { SetCheckAndRun(chkNotchType, ifType, [this] { chkNotchType_Click(); }); };
    Hub.SelectNotchMode = [this](int index) { SelectAndRun(optNotch, index, [this](int i) { optNotch_Click(i); }); };
    Hub.SetNotchAuto = [this](bool on) { chkNotchAuto->setChecked(on); };
    Hub.SetNotchMirror = [this](bool on) { chkNotchMirror->setChecked(on); };
    Hub.SetAGCOn = [this](bool on) { chkAGC->setChecked(on); };
    Hub.SelectAGC = [this](int index) { optAGC_Click(index); };
    Hub.NotchMirrored = [] { return NotchMirror; };
    Hub.ModeCaption = [this](int index) { return CaptionOf(optMode, index); };
    Hub.FilterCaption = [this](int index) { return CaptionOf(optFilter, index); };
    Hub.DecoderStarting = [] { return DreamStarting; };
    Hub.LogTunedFrequency = [this] {
        if (WavFile && VFO)
            WavFile->NewLogRecord(VFO->TunedFrequency());
    };
    Hub.WindowLoading = [this] { return FormLoading; };
}
