#include "ui/main/frmMain.h"

#include "audio/clsWavFile.h"
#include "core/MainWindowValues.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "ui/common/ClickRule.h"
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
        Frequency->Display7Seg(VFO->FormattedTunedFreq());
        Frequency->ShowTuneStepLock();
    };
    Hub.SetTuneStep = [this](int32_t index, bool unlock) { Frequency->SetTuneStep(index, unlock); };
    Hub.SetLowSideLO = [this](bool lowSide) {
        ClickRule::SetCheckAndRun(Receive->chkTuneLo, lowSide, [this] { Receive->chkTuneLo_Click(); });
    };
    Hub.SelectMode = [this](int index) {
        SelectAndRun(Receive->optMode, index, [this](int i) { Receive->optMode_Click(i); });
    };
    Hub.SelectFilter = [this](int index) {
        SelectAndRun(Receive->optFilter, index, [this](int i) { Receive->optFilter_Click(i); });
    };
    Hub.SetMusicMode = [this](bool on) {
        Receive->chkMusic->setChecked(false);
        Receive->chkMusic->setChecked(on);
    };
    Hub.SetDynFilter = [this](bool on) { Receive->chkDynFilter->setChecked(on); };
    Hub.SetIFFilterOn = [this](bool on) {
        ClickRule::SetCheckAndRun(Receive->chkIFFilter, on, [this] { Receive->chkIFFilter_Click(); });
    };
    Hub.SelectIFFilter = [this](int index) {
        SelectAndRun(Receive->optIFFilter, index, [this](int i) { Receive->optIFFilter_Click(i); });
    };
    Hub.SetNotchOn = [this](bool on) {
        ClickRule::SetCheckAndRun(Receive->chkNotchOn, on, [this] { Receive->chkNotchOn_Click(); });
    };
    Hub.SetNotchType = [this](bool ifType) {
        ClickRule::SetCheckAndRun(Receive->chkNotchType, ifType, [this] { Receive->chkNotchType_Click(); });
    };
    Hub.SelectNotchMode = [this](int index) {
        SelectAndRun(Receive->optNotch, index, [this](int i) { Receive->optNotch_Click(i); });
    };
    Hub.SetNotchAuto = [this](bool on) { Receive->chkNotchAuto->setChecked(on); };
    Hub.SetNotchMirror = [this](bool on) { Receive->chkNotchMirror->setChecked(on); };
    Hub.SetAGCOn = [this](bool on) { Receive->chkAGC->setChecked(on); };
    Hub.SelectAGC = [this](int index) { Receive->optAGC_Click(index); };
    Hub.NotchMirrored = [] { return NotchMirror; };
    Hub.ModeCaption = [this](int index) { return CaptionOf(Receive->optMode, index); };
    Hub.FilterCaption = [this](int index) { return CaptionOf(Receive->optFilter, index); };
    Hub.DecoderStarting = [this] { return Receive->DreamStarting; };
    Hub.LogTunedFrequency = [this] {
        if (Recorder->WavFile && VFO)
            Recorder->WavFile->NewLogRecord(VFO->TunedFrequency());
    };
    Hub.WindowLoading = [this] { return FormLoading; };
}

// The tuned frequency the VFO stores (0.1 Hz) for one shown with the image in force: the
// upper image is shown twice the IF above it.
int32_t frmMain::StoredForShown(int32_t shown) const
{
    const int64_t image = IQModeOn && IQSelectUpper ? 20 * int64_t{VFO->IFFrequency()} : 0;
    return static_cast<int32_t>(std::clamp<int64_t>(shown - image, std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
}
