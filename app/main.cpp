#include "app/frmSupervisor.h"
#include "core/frmLog.h"
#include "platform/AlsaLibraryErrors.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    // The sound library's own complaints belong in the trace log, beside the program's.
    AlsaLibraryErrors::Route([](const std::string& line) { AddLog(line); });
    return frmSupervisor::Run(QApplication::arguments().mid(1).join(' ').toStdString());
}
