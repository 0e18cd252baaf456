#include "radio/RadioControls.h"

#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialLines.h"
#include "radio/HardwareObjects.h"
#include "radio/MouseOverS.h"

#include <QRandomGenerator>
#include <QTimer>

#include <cmath>
#include <exception>

namespace RadioControls {

namespace {

bool onCommBusy = false;

} // namespace

void CreateMSComm1()
{
    if (MSComm1)
        return;
    MSComm1 = std::make_shared<SerialLines::CommControl>();
    MSComm1->OnComm = MSComm1_OnComm;
}

void MSComm1_OnComm()
{
    if (!EnableShaftEncoder || onCommBusy || !MSComm1)
        return;
    BusyGuard guard(onCommBusy);
    try {
        const int16_t event = MSComm1->CommEvent();
        if (event == SerialLines::comEvCTS || event == SerialLines::comEvDSR)
            MouseOverS::ShaftEncoderPoll();
    } catch (const std::exception& error) {
        AddLog(std::string("frmMain:frmMain:MSComm1_OnComm:0 ") + error.what());
        MessageBoxes::MsgBox(std::string("The shaft encoder's turn on the serial port could not be taken:\n") +
                                 error.what(),
                             MessageBoxes::vbOKOnly, "Error");
    }
}

void tmrShaft_Timer()
{
    if (MouseOverS::ShaftPendingUp > 0) {
        if (VFO)
            VFO->Inc_Freq(MouseOverS::ShaftPendingUp * VFO->TuneStep());
        MouseOverS::ShaftPendingUp = 0;
    }
    if (MouseOverS::ShaftPendingDown > 0) {
        if (VFO)
            VFO->Dec_Freq(MouseOverS::ShaftPendingDown * VFO->TuneStep());
        MouseOverS::ShaftPendingDown = 0;
    }
}

void tmrVFOUpdate_Timer(QTimer& tmrVFOUpdate)
{
    if (!VFO || !VFO->AutoUpdate())
        return;
    const auto& chip = VFO->OscType();
    if (chip && !chip->CMDOutActive) {
        try {
            chip->Refresh();
        } catch (const std::exception& error) {
            // The next tick tries again; a timer has no one to tell but the log.
            AddLog(std::string("frmMain.tmrVFOUpdate_Timer:Refresh failed Description=") + error.what());
        }
    }
    const double fraction = QRandomGenerator::global()->generateDouble();
    tmrVFOUpdate.setInterval(static_cast<int>(std::nearbyint(1500 + fraction * 1500)));
}

} // namespace RadioControls
