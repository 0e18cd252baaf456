#include "app/frmSupervisor.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    return frmSupervisor::Run(QApplication::arguments().mid(1).join(' ').toStdString());
}
