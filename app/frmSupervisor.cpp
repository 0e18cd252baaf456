#include "app/frmSupervisor.h"

#include "app/SharedObjects.h"
#include "bandplan/BandRecord.h"
#include "bandplan/frmSplash1.h"
#include "core/DebugTools.h"
#include "core/DoEvents.h"
#include "core/Globals.h"
#include "core/PublicVars.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "core/modIsProcessRunning.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"
#include "platform/SingleInstance.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

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

bool frmSupervisor::Form_Load()
{
    if (Initialise() != Completed)
        return false;
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

// Every "*.bpl" in the program folder becomes a band. The listing is sorted by
// name without regard to case, since the selected band is remembered by index.
bool frmSupervisor::FindBandPlans()
{
    Trace(":Initialising BandPlans");
    const QString folder = QString::fromStdString(AppPaths::ProgramFolder());
    const QStringList files =
        QDir(folder).entryList({"*.bpl"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    if (files.isEmpty()) {
        Trace(":No BandPlans found in " + folder.toStdString());
        const std::string product = AppPaths::ProductName;
        MessageBoxes::MsgBox("No Bandplan (.bpl) files found - You must have at least 1 Bandplan \r\n"
                             "Please Re-Install Application or find a .BPL file",
                             MessageBoxes::vbOKOnly | MessageBoxes::vbCritical,
                             product + " - No Bandplan found");
        return false;
    }
    BandPlans.clear();
    for (const QString& file : files) {
        Trace(":Processing " + file.toStdString());
        BandRecord band;
        band.Name = file.left(file.size() - 4).toStdString();
        band.Index = static_cast<int32_t>(BandPlans.size());
        band.Caption = band.Name;
        band.Description = band.Name;
        band.Active = false;
        band.ActiveSubBand = 0;
        band.SubBandCount = 18;
        band.PresetCount = 12;
        band.FileName = (folder + "/" + file).toStdString();
        BandPlans.push_back(band);
    }
    return true;
}

void frmSupervisor::FillTuningSteps()
{
    PublicVars::TuningSteps = PublicVars::DefaultTuningSteps;
}

void frmSupervisor::Timer1_Timer()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName().toUpper() == "FRMMAIN")
            return;
    }
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
