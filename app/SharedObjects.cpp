#include "app/SharedObjects.h"

#include "core/clsComDlg.h"
#include "dsp/FilterObjects.h"
#include "dsp/QELVO.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "ui/main/frmMain.h"

namespace SharedObjects {

void CreateHardwareObjects()
{
    HardwareObjects::CreateHardwareObjects();
}

void InitialiseSignalProcessing()
{
    QELVO::CheckSPL();
    QELVO::InitDDSDLL(30, 16, 2048);
}

void CreateFilterObjects()
{
    ::CreateFilterObjects();
}

void CreateProfilers()
{
    DSPProfiler = std::make_unique<Profiler>();
    HardwareObjects::CreateEncoderProfiler();
}

void FillReceiverModelTable()
{
    RXDefinitions::Initialise();
}

void ReleaseServices()
{
    ReleaseComDlg();
}

} // namespace SharedObjects
