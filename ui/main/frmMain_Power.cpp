#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "dsp/MakeFilters.h"
#include "platform/ProcessPriority.h"
#include "radio/modSetupRX.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/modWheelMouse.h"

#include <QRadioButton>

#include <string>

namespace {

void Trace(const std::string& step) { AddLog("optPwr_click : " + step); }

// The RIT reaches across the whole IF of an I/Q receiver, half of it on a single channel.
void SetRITRange()
{
    const float reach = static_cast<float>(modSetupRX::Model.IQMode ? 2 * IFCentreHz : IFCentreHz);
    ScrollLabels[lblBFOIndex].Max = reach;
    ScrollLabels[lblBFOIndex].Min = -reach;
}

}   // namespace

// The caption bar goes when so configured (the client area keeps its size), the filters are
// redesigned, priority raised and capture started (playback follows by itself). A sound
// card that does not start has told the user why; the switch then goes back to Off (the
// power panel applies that once this returns), so that it never shows a receiver that is not
// running.
void frmMain::PowerOn()
{
    Trace("Start Arg=0");
    if (FormCaptionOffOnPwrOn)
        ShowCaptionBar(false);
    SetRITRange();
    Power->ShowPowerColours(true);
    TryStep(MakeFilters);
    if (InIDE)
        modWheelMouse::HookWheel();
    ProcessPriority::RaiseToRealTime();
    Power->optPwr[2]->hide();
    if (SpectrumAnalyser)
        SpectrumAnalyser->Freeze = false;
    Loop->tmrSpectrumDisplay.stop();
    TryStep([this] {
        if (SoundCard)
            SoundCard->StartSound();
    });
    Receiving = true;
    Trace("End");
    if (!SoundCard || !SoundCard->Running()) {
        AddLog("frmMain.optPwr_Click:the sound card did not start, power is switched off again");
        Power->optPwr[1]->setChecked(true);
    }
}

// Back to the priority the program started with (an unprivileged program could not raise
// itself again from idle), the Close button and the caption bar shown.
void frmMain::PowerOff()
{
    Trace("Start Arg=1");
    if (InIDE && modWheelMouse::HookHandle)
        modWheelMouse::UnHookWheel();
    Receiving = false;
    TryStep([this] {
        if (SoundCard)
            SoundCard->StopSound();
    });
    if (SpectrumAnalyser)
        SpectrumAnalyser->Freeze = true;
    ProcessPriority::Restore();
    Deferred->tmrPerfStats.stop();
    Loop->tmrSpectrumDisplay.stop();
    Power->ShowPowerColours(false);
    Power->optPwr[2]->show();
    ShowCaptionBar(true);
    Loop->tmrSpectrumDisplay.start(BlockLoop::SpectrumDisplayInterval);
    Trace("End");
}
