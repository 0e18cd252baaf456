#include "app/SharedObjects.h"

#include "core/clsComDlg.h"
#include "dsp/QELVO.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"

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

// The receive chain's filters and Hilbert transformers join this step when the
// receive chain is connected to the start-up.
void CreateFilterObjects() {}

void CreateProfilers()
{
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
