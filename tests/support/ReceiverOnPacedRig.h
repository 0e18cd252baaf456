#pragma once

#include "app/frmSupervisor.h"
#include "core/Settings.h"
#include "radio/RXDefinitions.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

// Starts the whole program as the user does, with a band plan in the program folder
// (ZOZEVERE_HOME) and a receiver that needs no port: the Vantrel RAV1 with its oscillator
// above a 12 kHz IF, so that the paced rig's 13 kHz tone is heard as 1 kHz in USB.
// Returns the main window, or nullptr when the start-up failed. Header only: the tests and
// the benchmarks that use it link the application.
inline frmMain* StartReceiver(const std::string& programFolder, const std::string& commandLine,
                              std::unique_ptr<frmSupervisor>& supervisor)
{
    QFile plan(QString::fromStdString(programFolder + "/test.bpl"));
    if (!plan.open(QIODevice::WriteOnly) || plan.write("[MainBand]\r\n") <= 0)
        return nullptr;
    plan.close();
    RXDefinitions::Initialise();
    const auto model = std::find_if(RXDefinitions::RXModels.begin(), RXDefinitions::RXModels.end(),
                                    [](const RXModelRecord& row) { return row.Name == "Vantrel RAV1"; });
    if (model == RXDefinitions::RXModels.end())
        return nullptr;
    Settings::SaveSetting("frmMain", "SDRModelNo", std::to_string(model->Index));
    Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");   // no port needed
    Settings::SaveSetting("RXModel.Vantrel RAV1", "HiSideLo", "True");
    supervisor = std::make_unique<frmSupervisor>(commandLine);
    supervisor->EndProcess = [] {};
    if (!supervisor->Form_Load())
        return nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<frmMain*>(window); main && main->isVisible())
            return main;
    return nullptr;
}

// Counts the sound devices' wake-ups of the main thread: each socket activation is one.
class WakeUpCounter : public QObject
{
public:
    WakeUpCounter() { qApp->installEventFilter(this); }
    ~WakeUpCounter() override { qApp->removeEventFilter(this); }
    int64_t Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        Count += event->type() == QEvent::SockAct;
        return false;
    }
};

// Lets the main loop wait for events for the given time, as the program does.
inline void RunFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
