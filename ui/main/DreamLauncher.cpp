#include "ui/main/DreamLauncher.h"

#include "core/TryStep.h"
#include "core/modIniFiles.h"

#include <QProcess>
#include <QString>

#include <algorithm>

namespace DreamLauncher {

namespace {

// Device numbers count from 1, the first two being the system's defaults.
int32_t DecoderDevice(int32_t device) { return std::max(device - 2, 0); }

}   // namespace

std::string Command::CommandLine() const { return Program + Arguments; }

Command BuildCommand(const std::string& program, int32_t captureDevice, int32_t playbackDevice, bool iqReceiver,
                     const std::string& userArguments, int32_t tunedFrequency)
{
    const std::string options = " -M 0 -I " + std::to_string(DecoderDevice(captureDevice)) + " -O " +
                                std::to_string(DecoderDevice(playbackDevice)) + (iqReceiver ? " -C 3" : " ");
    QString user = QString::fromStdString(userArguments);
    user.replace("%CurFreq%", QString::number(tunedFrequency / 10000), Qt::CaseInsensitive);

    Command command;
    command.Program = program;
    command.Arguments = options;
    command.Arguments.append("  ").append(user.toStdString());
    for (const QString& word : QProcess::splitCommand(QString::fromStdString(command.Arguments)))
        command.ArgumentList.push_back(word.toStdString());
    return command;
}

void EditDreamIni(const std::string& fileName, bool hiSideLo)
{
    TryStep([&] { modIniFiles::WriteINI("window geometry", "analdemvis", "0", fileName); });
    TryStep([&] { modIniFiles::WriteINI("receiver", "flipspectrum", hiSideLo ? "0" : "1", fileName); });
}

}   // namespace DreamLauncher
