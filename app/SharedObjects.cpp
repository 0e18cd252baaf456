#include "app/SharedObjects.h"

#include "core/clsComDlg.h"

namespace SharedObjects {

// The receiver, signal-processing and model objects join these steps as those
// subsystems are connected to the start-up.
void CreateHardwareObjects() {}
void InitialiseSignalProcessing() {}
void CreateFilterObjects() {}
void CreateProfilers() {}
void FillReceiverModelTable() {}

void ReleaseServices()
{
    ReleaseComDlg();
}

} // namespace SharedObjects
