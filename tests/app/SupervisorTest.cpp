#include "app/frmSupervisor.h"
#include "bandplan/BandRecord.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "core/PublicVars.h"
#include "core/Settings.h"
#include "core/frmLog.h"
#include "core/modIsProcessRunning.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeProcessList.h"
#include "fakes/FakeSerialLines.h"
#include "platform/AppPaths.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "radio/OscillatorChip.h"
#include "support/CaptionCheck.h"
#include "support/ScopedTestHome.h"
#include "support/TopLevelWindows.h"
#include "ui/bandplan/frmSplash1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTabBar>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <vector>

#include <unistd.h>

namespace {

void writeFile(const std::string& path, const char* text = "[MainBand]\r\n")
{
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QWidget* findWindow(const char* name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name)
            return window;
    return nullptr;
}

void unloadDeletedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Supervisor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeFile(home.file("VHF.bpl"));
        writeFile(home.file("hf.bpl"));
        writeFile(home.file("80m.bpl"));
        // The main window that Form_Load opens needs no port.
        Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");
    }
    void TearDown() override
    {
        DeleteTopLevelWindows();
        TraceOn = false;
    }

    ScopedTestHome home;
    FakeMessageBoxes boxes;
};

} // namespace

TEST_F(Supervisor, TraceSwitchIsCaseSensitiveAndFoundInsideLongerWords)
{
    struct Case { const char* commandLine; bool traceOn; };
    for (const Case& c : {Case{"trace", true}, Case{"-xtraced", true}, Case{"a b --trace", true},
                          Case{"TRACE", false}, Case{"Trace", false}, Case{"", false}}) {
        delete frmLog::Current();
        frmSupervisor supervisor(c.commandLine);
        ASSERT_EQ(supervisor.Initialise(), frmSupervisor::Completed) << c.commandLine;
        EXPECT_EQ(TraceOn, c.traceOn) << c.commandLine;
        ASSERT_NE(frmLog::Current(), nullptr);
        EXPECT_EQ(frmLog::Current()->isVisible(), c.traceOn) << c.commandLine;
    }
}

TEST_F(Supervisor, TracedStartUpWritesTheStepsToTheLogFile)
{
    frmSupervisor supervisor("trace");
    ASSERT_EQ(supervisor.Initialise(), frmSupervisor::Completed);
    QFile log(QString::fromStdString(home.file("ZOZEVERE.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(log.readAll());
    EXPECT_TRUE(text.startsWith("ZOZEVERE Log File Started at Date="));
    EXPECT_TRUE(text.contains("frmSupervisor.Initialise : Start\r\n"));
    EXPECT_TRUE(text.contains("frmSupervisor.Initialise:Processing 80m.bpl\r\n"));
    EXPECT_TRUE(text.contains("frmSupervisor.Initialise:End\r\nfrmSupervisor.Initialise :Initialisation Completed"));
}

// A program folder where the log file cannot be written: the trace says so once, on standard
// error and as the window's first line, and goes on in the window.
TEST_F(Supervisor, ALogFileThatCannotBeWrittenIsToldOnceOnStandardErrorAndAsTheWindowsFirstLine)
{
    const QString folder = QString::fromStdString(home.path());
    // Root writes into a read-only folder: there a folder in the log file's place stops it.
    if (::geteuid() == 0)
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(home.file("ZOZEVERE.log"))));
    else
        ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    delete frmLog::Current();
    ::testing::internal::CaptureStderr();
    frmSupervisor supervisor("trace");
    const int32_t result = supervisor.Initialise();
    AddLog("one more line");
    const std::string errors = ::testing::internal::GetCapturedStderr();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(result, frmSupervisor::Completed);

    const QString told = QString::fromStdString(home.file("ZOZEVERE.log") + " cannot be written");
    EXPECT_EQ(QString::fromStdString(errors).count(told), 1) << errors;
    const QListWidget* list = frmLog::Current()->lstLog;
    ASSERT_GE(list->count(), 3);
    EXPECT_TRUE(list->item(0)->text().contains(told)) << list->item(0)->text().toStdString();
    for (int row = 1; row < list->count(); ++row)
        EXPECT_FALSE(list->item(row)->text().contains(told)) << row;
    EXPECT_EQ(list->item(list->count() - 1)->text(), "one more line");
}

// A name that is not UTF-8 is listed by its bytes (Qt would decode it and lose the file).
TEST_F(Supervisor, EveryBandPlanBecomesABandSortedByNameWithoutRegardToCase)
{
    writeFile(home.file("notes.txt"));
    writeFile(home.file(".hidden.bpl"));
    writeFile(home.file(".bpl"));   // a dot file like any other
    std::ofstream(home.file("R\xE9" "cepteur.bpl")) << "[MainBand]\r\n";  // Latin-1
    frmSupervisor supervisor("");
    ASSERT_EQ(supervisor.Initialise(), frmSupervisor::Completed);
    ASSERT_EQ(BandPlans.size(), 4u);
    const char* names[] = {"80m", "hf", "R\xE9" "cepteur", "VHF"};
    for (int i = 0; i < 4; ++i) {
        const BandRecord& band = BandPlans[i];
        EXPECT_EQ(band.Name, names[i]);
        EXPECT_EQ(band.Index, i);
        EXPECT_EQ(band.Caption, band.Name);
        EXPECT_EQ(band.Description, band.Name);
        EXPECT_EQ(band.FileName, home.file(band.Name + ".bpl"));
        EXPECT_FALSE(band.Active);
        EXPECT_FALSE(band.Loaded);
        EXPECT_EQ(band.SubBandCount, 18);
        EXPECT_EQ(band.PresetCount, 12);
    }
    EXPECT_EQ(PublicVars::TuningSteps.front(), 100000);
    EXPECT_EQ(PublicVars::TuningSteps.back(), 1);
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRLabelColour, 0xBFBF00);
    EXPECT_TRUE(boxes.boxes.empty());
}

// The fixed text stays the first lines; one more names the folder, ZOZEVERE_HOME and the fix.
TEST_F(Supervisor, NoUsableProgramFolderIsNamedInTheCriticalMessageAndOpensNoMainWindow)
{
    for (const char* name : {"VHF.bpl", "hf.bpl", "80m.bpl"})
        QFile::remove(QString::fromStdString(home.file(name)));
    writeFile(home.file("plain-file"));
    struct Case { std::string folder; const char* lastLine; };
    for (const Case& c : {Case{home.path(), " holds no .bpl file: point ZOZEVERE_HOME at a folder"},
                          Case{home.file("missing"), " does not exist: point ZOZEVERE_HOME at a folder"},
                          Case{home.file("plain-file"), " is a file, not a folder: point ZOZEVERE_HOME"}}) {
        qputenv("ZOZEVERE_HOME", QByteArray::fromStdString(c.folder));
        boxes.boxes.clear();
        frmSupervisor supervisor("");
        EXPECT_FALSE(supervisor.Form_Load());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.Last().prompt.rfind("No Bandplan (.bpl) files found - You must have at least 1 Bandplan \r\n"
                                            "Please Re-Install Application or find a .BPL file\r\n"
                                            "The program folder " + c.folder + " (from ZOZEVERE_HOME)" + c.lastLine, 0),
                  0u) << boxes.Last().prompt;
        EXPECT_EQ(boxes.Last().title, "ZOZEVERE - No Bandplan found");
        EXPECT_EQ(boxes.Last().icon, MessageBoxes::vbCritical);
        EXPECT_EQ(findWindow("frmMain"), nullptr);
        EXPECT_EQ(findWindow("frmSplash1"), nullptr);
    }
}

TEST_F(Supervisor, ASecondInstanceIsToldAndEndsWhileTheFirstRuns)
{
    frmSupervisor first("");
    ASSERT_TRUE(first.Form_Load());
    {
        frmSupervisor second("");
        EXPECT_FALSE(second.Form_Load());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.Last().prompt, "ZOZEVERE is already running");
        EXPECT_EQ(boxes.Last().title, "ZOZEVERE");
        EXPECT_EQ(boxes.Last().icon, 0);
        EXPECT_EQ(boxes.Last().buttons, std::vector<MessageBoxes::Result>{MessageBoxes::vbOK});
    }
    EXPECT_NE(findWindow("frmMain"), nullptr);
}

// A first start on a machine without the board: one failure, one box, and it says which
// device did not open, the key that names another, and how to run without a board.
namespace {

// The way a box gives to run without a board, as the captions to click in turn: "Display:
// Full" is the caption Full in the frame Display.
QStringList WayWithoutABoard(const std::string& prompt)
{
    const std::string lead = "To run without a receiver board, after OK here: ";
    const size_t from = prompt.find(lead);
    if (from == std::string::npos)
        return {};
    const size_t start = from + lead.size();
    QString way = QString::fromStdString(prompt.substr(start, prompt.find(';', start) - start));
    way.replace(", then ", " → ");
    QStringList steps = way.split(" → ");
    for (QString& step : steps)
        step = step.section(": ", -1).remove('"');
    return steps;
}

// Clicks the one control of that caption that a window shows: a button or a tab.
bool ClickCaption(const QString& caption)
{
    std::vector<std::function<void()>> clicks;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (CaptionCheck::ShownText(button->text()) == caption && button->isEnabled() &&
                CaptionCheck::OnScreen(button, window))
                clicks.push_back([button] { QTest::mouseClick(button, Qt::LeftButton); });
        for (QTabBar* tabs : window->findChildren<QTabBar*>())
            for (int tab = 0; tab < tabs->count(); ++tab)
                if (CaptionCheck::ShownText(tabs->tabText(tab)) == caption && CaptionCheck::OnScreen(tabs, window))
                    clicks.push_back([tabs, tab] { QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center()); });
    }
    if (clicks.size() != 1)
        return false;
    clicks.front()();
    return true;
}

} // namespace

// A first start from empty folders on a machine without the board: one box, which names the
// device, and whose way to run without a board leads, click by click from the display shown
// once it is answered, to the Null interface; the program goes on and takes it at once.
TEST_F(Supervisor, AFirstStartWithoutABoardShowsOneBoxWhoseWayLeadsToTheNullInterface)
{
    QFile::remove(QString::fromStdString(AppPaths::SettingsFilePath()));
    SDRModelNo = 0;   // as a new process holds it; an earlier test may have chosen another
    FakePerfCounter clock(10'000'000, 1);
    FakeSerialLines lines(clock);
    lines.failingDevices["/dev/ttyS0"] = ENOENT;
    frmSupervisor supervisor("");
    ASSERT_TRUE(supervisor.Form_Load());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::string prompt = boxes.Last().prompt;
    for (const char* part : {"/dev/ttyS0", "SerialDevice=", "Both take effect at OK, without a restart."})
        EXPECT_NE(prompt.find(part), std::string::npos) << part << " in " << prompt;
    ASSERT_NE(findWindow("frmMain"), nullptr) << "the program goes on";

    const QStringList way = WayWithoutABoard(prompt);
    ASSERT_FALSE(way.isEmpty()) << prompt;
    for (const QString& caption : way)
        ASSERT_TRUE(ClickCaption(caption)) << "no one control shows \"" << caption.toStdString() << "\" in the way: "
                                           << way.join(" → ").toStdString();
    EXPECT_EQ(VFO->DDSInterfaceType(), DDSInterfaceCode::None);
    ASSERT_NE(VFO->OscType(), nullptr);
    EXPECT_EQ(VFO->OscType()->IFHandler(), std::static_pointer_cast<DDSInterface>(DDSNullIF));
    EXPECT_EQ(boxes.boxes.size(), 1u) << boxes.Last().prompt;
    EXPECT_EQ(lines.OpenPorts(), 0);
}

TEST_F(Supervisor, AnInstanceThatEndedNoLongerBlocksTheNextStart)
{
    { frmSupervisor earlier(""); ASSERT_EQ(earlier.Initialise(), frmSupervisor::Completed); }
    frmSupervisor later("");
    EXPECT_EQ(later.Initialise(), frmSupervisor::Completed);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Supervisor, WatchdogEndsTheProgramOnceTheMainWindowIsGone)
{
    FakeProcessList processes;
    int ends = 0;
    frmSupervisor supervisor("");
    supervisor.EndProcess = [&] { ++ends; };
    ASSERT_TRUE(supervisor.Form_Load());
    EXPECT_TRUE(supervisor.Timer1.isActive());
    EXPECT_EQ(supervisor.Timer1.interval(), 1000);

    std::string error;
    const int64_t decoder = processes.StartChild("DREAM.exe", {}, "", error);
    modIsProcessRunning::DecoderProcessId = decoder;
    PublicVars::DreamCloseOnExit = true;
    auto* other = new QWidget;
    other->setObjectName("frmConfig");
    other->show();

    supervisor.Timer1_Timer();
    EXPECT_EQ(ends, 0) << "the main window is still there";

    findWindow("frmMain")->close();
    unloadDeletedWindows();
    supervisor.Timer1_Timer();
    unloadDeletedWindows();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(supervisor.Timer1.isActive());
    EXPECT_EQ(processes.Ended, std::vector<int64_t>{decoder});
    EXPECT_EQ(findWindow("frmConfig"), nullptr);
    EXPECT_EQ(frmLog::Current(), nullptr);
    PublicVars::DreamCloseOnExit = false;
    modIsProcessRunning::DecoderProcessId = 0;
}

TEST_F(Supervisor, StartUpCreatesTheHardwareObjectsAndFillsTheModelTable)
{
    frmSupervisor supervisor("");
    ASSERT_EQ(supervisor.Initialise(), frmSupervisor::Completed);
    for (bool created : {VFO != nullptr, DDSSerialIF != nullptr, DDSParallelIF != nullptr, DDSNullIF != nullptr,
                         AD9835 != nullptr, AD9850 != nullptr, AD9851 != nullptr, AD9951 != nullptr,
                         CY27EE16 != nullptr, SoftDDS != nullptr, EncoderProfiler != nullptr})
        EXPECT_TRUE(created);
    EXPECT_EQ(RXDefinitions::RXModelMaxIndex, 17);
    EXPECT_EQ(IFCentreHz, 12000);
    HardwareObjects::ReleaseHardwareObjects();
}

// The second label is the first one's shadow: the window reads "Loading Bandplans" once.
TEST(Splash, ItsTwoLabelsLieOnTopOfEachOther)
{
    frmSplash1 splash;
    splash.show();
    EXPECT_EQ(splash.lblBandPlan->geometry(), splash.lblBandPlan2->geometry());
    EXPECT_GT(splash.children().indexOf(splash.lblBandPlan), splash.children().indexOf(splash.lblBandPlan2));
}
