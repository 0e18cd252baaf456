#include "core/frmLog.h"
#include "core/Globals.h"
#include "platform/AppPaths.h"
#include "support/ScopedTestHome.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> ListEntries(const frmLog& log)
{
    std::vector<std::string> entries;
    for (int row = 0; row < log.lstLog->count(); ++row)
        entries.push_back(log.lstLog->item(row)->text().toStdString());
    return entries;
}

class frmLogTest : public ::testing::Test
{
protected:
    ~frmLogTest() override { TraceOn = false; }
    ScopedTestHome home;
    const std::string logFile = home.file("ZOZEVERE.log");
};

} // namespace

TEST_F(frmLogTest, WithoutTraceNothingIsShownOrWritten)
{
    TraceOn = false;
    { std::ofstream(logFile) << "an earlier run\r\n"; }
    frmLog log;
    AddLog("frmSupervisor.Initialise : Start");
    EXPECT_EQ(log.lstLog->count(), 0);
    EXPECT_FALSE(log.isVisible());
    EXPECT_EQ(ReadFile(logFile), "an earlier run\r\n");
    EXPECT_EQ(log.LogFileName, AppPaths::ProgramFolder() + "/ZOZEVERE.log");
}

TEST_F(frmLogTest, WithTraceTheFileIsReplacedAndEveryRecordReachesFileAndList)
{
    TraceOn = true;
    { std::ofstream(logFile) << "an earlier run\r\n"; }
    frmLog log;
    EXPECT_EQ(log.windowTitle().toStdString(), AppPaths::ExecutableName() + " Log Display");

    AddLog("frmSupervisor.Initialise : Start");
    AddLog("frmSupervisor.Initialise:Processing HF.bpl");
    EXPECT_EQ(ListEntries(log), (std::vector<std::string>{"frmSupervisor.Initialise : Start",
                                                          "frmSupervisor.Initialise:Processing HF.bpl"}));
    EXPECT_EQ(log.lstLog->currentRow(), 1);

    // Closing only hides the window; the records go on.
    log.show();
    log.cmdClose->click();
    EXPECT_FALSE(log.isVisible());
    AddLog(":End");
    EXPECT_EQ(log.lstLog->count(), 3);
    EXPECT_EQ(log.lstLog->currentRow(), 2);

    const std::string text = ReadFile(logFile);
    const std::string header = "ZOZEVERE Log File Started at Date=";
    ASSERT_EQ(text.compare(0, header.size(), header), 0) << text;
    const std::size_t firstLineEnd = text.find("\r\n");
    ASSERT_NE(firstLineEnd, std::string::npos);
    EXPECT_NE(text.find(" Time="), std::string::npos);
    EXPECT_EQ(text.substr(firstLineEnd + 2),
              "frmSupervisor.Initialise : Start\r\nfrmSupervisor.Initialise:Processing HF.bpl\r\n:End\r\n");
}

TEST_F(frmLogTest, AnUnwritableLogFileIsReportedOnceAndTheListGoesOn)
{
    TraceOn = true;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(logFile)));  // a folder where the file should be
    frmLog log;
    AddLog("first");
    AddLog("second");
    const std::vector<std::string> entries = ListEntries(log);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_NE(entries[0].find(logFile), std::string::npos);
    EXPECT_NE(entries[0].find("cannot be written"), std::string::npos);
    EXPECT_EQ(entries[1], "first");
    EXPECT_EQ(entries[2], "second");
}

TEST_F(frmLogTest, RecordsBeforeTheWindowExistsGoToTheFile)
{
    TraceOn = true;
    AddLog("clsRXModels.Init:Start");
    EXPECT_EQ(ReadFile(logFile), "clsRXModels.Init:Start\r\n");
    TraceOn = false;
    AddLog("dropped");
    EXPECT_EQ(ReadFile(logFile), "clsRXModels.Init:Start\r\n");
}

TEST_F(frmLogTest, LayoutPutsTheButtonAtTheBottomAndSurvivesATinyWindow)
{
    TraceOn = true;
    frmLog log;
    log.show();
    log.resize(400, 300);
    const int buttonHeight = log.cmdClose->height();
    EXPECT_EQ(log.cmdClose->y() + buttonHeight, 300);
    EXPECT_EQ(log.cmdClose->x(), (400 - log.cmdClose->width()) / 2);
    EXPECT_EQ(log.lstLog->geometry(), QRect(0, 0, 400, 300 - buttonHeight));

    log.resize(30, buttonHeight / 2);
    EXPECT_EQ(log.lstLog->height(), 0);
}
