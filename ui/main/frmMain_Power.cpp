#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "dsp/MakeFilters.h"
#include "platform/ProcessPriority.h"

#include <QRadioButton>

void frmMain::optPwr_Click(int Index)
{
    switch (Index) {
    case 0:
        PowerOn();
        break;
    case 1:
        PowerOff();
        break;
    case 2:
        close();
        break;
    default:
        break;
    }
}

// Filters redesigned, priority raised, capture started (playback follows by itself). A
// sound card that does not start has told the user why; the switch then goes back to Off,
// so that it never shows a receiver that is not running.
void frmMain::PowerOn()
{
    TryStep(MakeFilters);
    ProcessPriority::RaiseToRealTime();
    if (SpectrumAnalyser)
        SpectrumAnalyser->Freeze = false;
    TryStep([this] {
        if (SoundCard)
            SoundCard->StartSound();
    });
    if (!SoundCard || !SoundCard->InAction()) {
        AddLog("frmMain.optPwr_Click:the sound card did not start, power is switched off again");
        optPwr[1]->setChecked(true);
    }
}

void frmMain::PowerOff()
{
    TryStep([this] {
        if (SoundCard)
            SoundCard->StopSound();
    });
    if (SpectrumAnalyser)
        SpectrumAnalyser->Freeze = true;
    ProcessPriority::Restore();
}
