#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWidget;
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

    // The whole program under an application object: start-up, the event loop, and the
    // closing down after a stop signal. Returns the exit status.
    static int Run(const std::string& commandLine);

    // Runs Initialise and opens the main window; false when the program must end now.
    bool Form_Load();
    int32_t Initialise();
    void Timer1_Timer();

    // A stop signal (a terminal, a logout): from now on no box waits for an answer, and
    // every event loop ends, so an open box or dialog returns as if cancelled and the
    // code that opened it finishes before anything is closed.
    void StopRequested();
    bool Stopping() const { return stopping_; }
    // Once the loops have ended: closes and deletes the main window as a close of the
    // window does (it saves its settings), and ends the program as the watchdog does.
    // Runs its steps once.
    void CloseDown();

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
    static void DeleteClosedWindows();
    void EndProgram();
    static QWidget* MainWindow();
    static void ShowNoBandPlans(const std::string& folder, int listingError);

    std::string commandLine_;
    std::unique_ptr<SingleInstance> instance_;
    class frmSplash1* splash_ = nullptr;
    bool stopping_ = false;
    bool ended_ = false;
};
