#include "app/frmSupervisor.h"
#include "platform/DeviceGuard.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    // Started by a test: the machine's serial, printer and sound devices stay closed.
    DeviceGuard::InstallFromEnvironment();
    IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    return frmSupervisor::Run(QApplication::arguments().mid(1).join(' ').toStdString());
}
