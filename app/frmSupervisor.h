#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class SingleInstance;

// The program's spine: runs the start-up, opens the main window and, once a
// second, watches whether it still exists; when it is gone, ends the program.
class frmSupervisor : public QObject
{
    Q_OBJECT
public:
    enum InitialiseResult : int32_t { Completed = 0, AlreadyRunning = 1, NoBandPlans = 2 };

    explicit frmSupervisor(std::string commandLine, QObject* parent = nullptr);
    ~frmSupervisor() override;

    // Runs Initialise and opens the main window; false when the program must end now.
    bool Form_Load();
    int32_t Initialise();
    void Timer1_Timer();

    QTimer Timer1;

    // How the process ends once the main window is gone (tests replace it).
    std::function<void()> EndProcess;

private:
    void ShowTraceLog();
    bool AnotherInstanceRuns();
    void ShowSplash();
    bool FindBandPlans();
    void FillTuningSteps();
    void CloseSplash();
    void CloseAllWindows();

    std::string commandLine_;
    std::unique_ptr<SingleInstance> instance_;
    class frmSplash1* splash_ = nullptr;
};
