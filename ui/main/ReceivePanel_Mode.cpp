#include "ui/main/ReceivePanel.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "core/PublicVars.h"
#include "core/frmLog.h"
#include "core/modIsProcessRunning.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"
#include "platform/ProcessList.h"
#include "radio/HardwareObjects.h"
#include "radio/modSetupRX.h"
#include "ui/main/DreamLauncher.h"
#include "ui/main/MainWindowSettings.h"

namespace {

constexpr int DreamStartingMessageRounds = 15;

// Which of the chain's optional filters a mode uses: every mode but DRM the AF filter and
// the phasing pair, the sideband modes the sideband pair as well; DRM none of them.
void SetModeFilterActivity(int32_t mode)
{
    const bool demodulating = mode != DemodModeEnum::DRM;
    const bool sideband = mode == DemodModeEnum::USB || mode == DemodModeEnum::LSB;
    AFFilter.Active = demodulating;
    PhaseFilterI.Active = PhaseFilterQ.Active = demodulating;
    SSBFilterI.Active = SSBFilterQ.Active = sideband;
}

}   // namespace

// Sets the demodulation mode, the filters it uses and asks for their redesign. Entering
// DRM may hand the sound card to the decoder and start it; leaving DRM takes the card back
// while the receiver is on and may close the decoder. An index outside the mode buttons
// changes nothing.
void ReceivePanel::optMode_Click(int Index)
{
    if (modeBusy_ || !optMode.Contains(Index))
        return;
    BusyGuard busy(modeBusy_);
    const int32_t previous = DemodMode;
    optMode.HighlightOnly(Index);
    optMode.Select(Index);
    DoEvents();
    DemodMode = Index;
    SetModeFilterActivity(DemodMode);
    FiltersDirty = true;
    if (previous != DemodMode) {
        if (previous == DemodModeEnum::DRM)
            LeaveDRM();
        if (DemodMode == DemodModeEnum::DRM)
            EnterDRM();
    }
    optIFFilter_Click(IFFilterMode);
}

void ReceivePanel::LeaveDRM()
{
    hub_.TakeBackSoundCard();
    if (DreamCloseOnModeChange)
        modIsProcessRunning::CloseProcessWindows();
    optFilter_Click(FilterMode);
}

void ReceivePanel::EnterDRM()
{
    hub_.HandSoundCardToDecoder();
    RunDREAM();
}

// Starts the decoder when DRM is to start it and none runs yet. It gets our sound devices,
// the I/Q option and the user's arguments; its Dream.ini in the program folder learns the
// injection side first. The decoder runs in the program folder, where that file lies.
void ReceivePanel::RunDREAM()
{
    if (!RunDreamOnDRM || PublicVars::PathToDream.empty())
        return;
    const int16_t running = modIsProcessRunning::IsProcessRunning("DREAM.exe");
    if (running == 1)
        return;
    if (running != 0) {
        MessageBoxes::MsgBox("System Error checking for process DREAM.EXE - Please report Problem to QELVO");
        return;
    }
    const DreamLauncher::Command command = DreamLauncher::BuildCommand(
        PublicVars::PathToDream, hub_.CaptureDevice(), hub_.PlaybackDevice(), modSetupRX::Model.IQMode,
        PublicVars::DreamProgArgs,
        VFO ? VFO->TunedFrequency() : 0);
    // The decoder's window style has no counterpart in a child process here: it opens its
    // window as its own desktop places it.
    const std::string folder = AppPaths::ProgramFolder();
    DreamLauncher::EditDreamIni(folder + "/Dream.ini", HiSideLoOn);
    AddLog("frmMain.RunDREAM:" + command.CommandLine());

    std::string error;
    int64_t processId = 0;
    {
        BusyGuard starting(DreamStarting);
        processId = CurrentProcessList().StartChild(command.Program, command.ArgumentList, folder, error);
        for (int round = 0; round < DreamStartingMessageRounds; ++round)
            DoEvents();
    }
    if (processId == 0) {
        AddLog("frmMain.RunDREAM:" + error);
        MessageBoxes::MsgBox("DREAM program located at : " + PublicVars::PathToDream + "\r\n failed to execute");
        return;
    }
    modIsProcessRunning::DecoderProcessId = processId;
}
