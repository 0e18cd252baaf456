#include "app/frmSupervisor.h"

#include "app/SharedObjects.h"
#include "bandplan/BandRecord.h"
#include "core/DebugTools.h"
#include "core/DoEvents.h"
#include "core/Globals.h"
#include "core/PublicVars.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "core/modIsProcessRunning.h"
#include "platform/AppPaths.h"
#include "platform/FolderListing.h"
#include "platform/MessageBoxes.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "ui/bandplan/frmSplash1.h"
#include "ui/config/frmConfig.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QWidget>

#include <cerrno>
#include <cstring>

namespace {

const std::string routine = "frmSupervisor.Initialise";

void Trace(const std::string& stepText) { AddLog(routine + stepText); }

} // namespace

frmSupervisor::frmSupervisor(std::string commandLine, QObject* parent)
    : QObject(parent), EndProcess([] { QCoreApplication::exit(0); }), commandLine_(std::move(commandLine))
{
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &frmSupervisor::Timer1_Timer);
}

frmSupervisor::~frmSupervisor() = default;

int frmSupervisor::Run(const std::string& commandLine)
{
    QApplication::setApplicationName(AppPaths::ProductName);
    QApplication::setQuitOnLastWindowClosed(false);  // the supervisor decides when the program ends
    MessageBoxes::SetLog([](const std::string& line) { AddLog(line); });
    TerminationSignals stopRequests;
    frmSupervisor supervisor(commandLine);
    connect(&stopRequests, &TerminationSignals::requested, &supervisor, &frmSupervisor::StopRequested);
    if (!supervisor.Form_Load())
        return 0;
    if (!supervisor.Stopping())
        QCoreApplication::exec();
    supervisor.CloseDown();
    MessageBoxes::SetLog(nullptr);
    return 0;
}

void frmSupervisor::StopRequested()
{
    if (stopping_)
        return;
    stopping_ = true;
    AddLog("frmSupervisor.StopRequested:a stop signal arrived, closing down");
    MessageBoxes::SetUnattended(true);
    QCoreApplication::exit(0);  // every running loop ends, those of open boxes and dialogs too
}

void frmSupervisor::CloseDown()
{
    if (QWidget* window = MainWindow())
        window->close();
    DeleteClosedWindows();
    EndProgram();
    DeleteClosedWindows();
}

// A closed window is deleted later, by the event loop; once the loops have ended nothing
// would, and what a window's destruction stores (the recorder's settings and its open
// recording) would never reach the disk.
void frmSupervisor::DeleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool frmSupervisor::Form_Load()
{
    if (Initialise() != Completed)
        return false;
    frmMain::OpenConfiguration = frmConfig::cmdConfig_Click;
    (new frmMain)->show();
    Timer1.start();
    return true;
}

int32_t frmSupervisor::Initialise()
{
    TraceOn = commandLine_.find("trace") != std::string::npos;
    ShowTraceLog();
    InIDE = DebugTools::InIDE();
    if (AnotherInstanceRuns())
        return AlreadyRunning;

    ShowSplash();
    Trace(" : Start");
    Trace(" : Initialising Objects");
    TryStep(SharedObjects::CreateHardwareObjects);
    IFCentreHz = 12000;
    Trace(" : QELVO.INIT");
    TryStep(SharedObjects::InitialiseSignalProcessing);
    Trace(" : PublicVars.SDRColourSchemes.Defaults");
    TryStep(PublicVars::SetColourSchemeDefaults);
    bool bandPlansFound = true;
    TryStep([&] { bandPlansFound = FindBandPlans(); });
    if (!bandPlansFound) {
        CloseSplash();
        return NoBandPlans;
    }
    Trace(":Initialising Digital Filter Objects");
    TryStep(SharedObjects::CreateFilterObjects);
    Trace(":Creating Profiler Object");
    TryStep(SharedObjects::CreateProfilers);
    Trace(":Initialising Tuning Step Array");
    FillTuningSteps();
    PublicVars::PathToDream.clear();
    PublicVars::DreamProgArgs.clear();
    TryStep(SharedObjects::FillReceiverModelTable);
    Trace(":End");
    CloseSplash();
    Trace(" :Initialisation Completed");
    return Completed;
}

void frmSupervisor::ShowTraceLog()
{
    auto* log = frmLog::Current() ? frmLog::Current() : new frmLog;
    if (TraceOn) {
        log->show();
        DoEvents();
    }
}

bool frmSupervisor::AnotherInstanceRuns()
{
    instance_ = std::make_unique<SingleInstance>();
    if (instance_->Acquire())
        return false;
    const std::string product = AppPaths::ProductName;
    MessageBoxes::MsgBox(product + " is already running", MessageBoxes::vbOKOnly, product);
    return true;
}

void frmSupervisor::ShowSplash()
{
    splash_ = new frmSplash1;
    splash_->show();
    DoEvents();
}

void frmSupervisor::CloseSplash()
{
    delete splash_;
    splash_ = nullptr;
}

// Every "*.bpl" in the program folder becomes a band, whatever the encoding of its
// name. The listing is sorted by name without regard to case, since the selected band
// is remembered by index.
bool frmSupervisor::FindBandPlans()
{
    Trace(":Initialising BandPlans");
    const std::string folder = AppPaths::ProgramFolder();
    const FolderListing listing = FolderListing::FilesEndingIn(folder, ".bpl");
    if (listing.names.empty()) {
        Trace(":No BandPlans found in " + folder);
        CloseSplash();  // it would cover the message
        ShowNoBandPlans(folder, listing.error);
        return false;
    }
    BandPlans.clear();
    for (const std::string& file : listing.names) {
        Trace(":Processing " + file);
        BandRecord band;
        band.Name = file.substr(0, file.size() - 4);
        band.Index = static_cast<int32_t>(BandPlans.size());
        band.Caption = band.Name;
        band.Description = band.Name;
        band.Active = false;
        band.ActiveSubBand = 0;
        band.SubBandCount = 18;
        band.PresetCount = 12;
        band.FileName = folder + "/" + file;
        BandPlans.push_back(band);
    }
    return true;
}

// The fixed text, and a line naming the folder, where it comes from and what to do.
void frmSupervisor::ShowNoBandPlans(const std::string& folder, int listingError)
{
    const bool fromVariable = qEnvironmentVariableIsSet(AppPaths::ProgramFolderVariable);
    std::string where = "The program folder " + folder;
    if (fromVariable)
        where.append(" (from ").append(AppPaths::ProgramFolderVariable).append(")");
    if (listingError == ENOENT)
        where += " does not exist";
    else if (listingError == ENOTDIR)
        where += " is a file, not a folder";
    else if (listingError != 0)
        where.append(" cannot be read (").append(std::strerror(listingError)).append(")");
    else
        where += " holds no .bpl file";
    const std::string variable = AppPaths::ProgramFolderVariable;
    const std::string fix =
        fromVariable ? ": point " + variable + " at a folder that holds at least one .bpl file, or unset it."
                     : ": copy a .bpl file there (samples come with the program), or point " + variable +
                           " at a folder that holds one.";
    const std::string product = AppPaths::ProductName;
    MessageBoxes::MsgBox("No Bandplan (.bpl) files found - You must have at least 1 Bandplan \r\n"
                         "Please Re-Install Application or find a .BPL file\r\n" + where + fix,
                         MessageBoxes::vbOKOnly | MessageBoxes::vbCritical, product + " - No Bandplan found");
}

void frmSupervisor::FillTuningSteps()
{
    PublicVars::TuningSteps = PublicVars::DefaultTuningSteps;
}

QWidget* frmSupervisor::MainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName().toUpper() == "FRMMAIN")
            return window;
    }
    return nullptr;
}

void frmSupervisor::Timer1_Timer()
{
    if (!MainWindow())
        EndProgram();
}

void frmSupervisor::EndProgram()
{
    if (ended_)
        return;
    ended_ = true;
    Timer1.stop();
    if (PublicVars::DreamCloseOnExit)
        TryStep(modIsProcessRunning::CloseProcessWindows);
    CloseAllWindows();
    TryStep(SharedObjects::ReleaseServices);
    EndProcess();
}

void frmSupervisor::CloseAllWindows()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        TryStep([window] {
            window->close();
            window->deleteLater();
        });
    }
}
