#include "core/frmLog.h"
#include "core/Globals.h"
#include "platform/AppPaths.h"
#include "support/ScopedTestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::vector<std::string> ListEntries(const frmLog& log)
{
    std::vector<std::string> entries;
    for (int row = 0; row < log.lstLog->count(); ++row)
        entries.push_back(log.lstLog->item(row)->text().toStdString());
    return entries;
}

// Counts the lines whose text the list lays out to measure them.
class MeasuringDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (!index.data(Qt::SizeHintRole).isValid())
            ++Measured;
        return QStyledItemDelegate::sizeHint(option, index);
    }
    mutable int Measured = 0;
};

class frmLogTest : public ::testing::Test
{
protected:
    ~frmLogTest() override { TraceOn = false; }
    ScopedTestHome home;
    const std::string logFile = home.file("ZOZEVERE.log");
};

} // namespace

TEST_F(frmLogTest, WithTraceTheFileIsReplacedAndEveryRecordReachesFileAndList)
{
    std::ofstream(logFile) << "an earlier run\r\n";
    {
        frmLog untraced;   // without trace nothing is shown or written
        AddLog("frmSupervisor.Initialise : Start");
        EXPECT_EQ(untraced.lstLog->count(), 0);
        EXPECT_EQ(ReadFile(logFile), "an earlier run\r\n");
    }
    TraceOn = true;
    frmLog log;
    EXPECT_EQ(log.windowTitle().toStdString(), AppPaths::ExecutableName() + " Log Display");
    AddLog("frmSupervisor.Initialise : Start");
    log.show();
    log.cmdClose->click();  // only hides the window: the records go on
    EXPECT_FALSE(log.isVisible());
    AddLog(":End");
    EXPECT_EQ(ListEntries(log), (std::vector<std::string>{"frmSupervisor.Initialise : Start", ":End"}));
    EXPECT_EQ(log.lstLog->currentRow(), 1);

    const std::string text = ReadFile(logFile);
    EXPECT_EQ(text.rfind("ZOZEVERE Log File Started at Date=", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.find("\r\n") + 2), "frmSupervisor.Initialise : Start\r\n:End\r\n");
}

TEST_F(frmLogTest, AnUnwritableLogFileIsShownOnceAndTheListGoesOn)
{
    TraceOn = true;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(logFile)));  // a folder where the file should be
    frmLog log;
    AddLog("first");
    AddLog("second");
    const std::vector<std::string> entries = ListEntries(log);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_NE(entries[0].find(logFile + " cannot be written (Is a directory)"), std::string::npos) << entries[0];
    EXPECT_EQ(entries[2], "second");
}

TEST_F(frmLogTest, OpensShowingItsTextTheButtonSitsCentredAtTheBottomAndATinyWindowDoesNotFail)
{
    TraceOn = true;
    frmLog log;
    log.show();
    // It opened showing its text, not its button alone.
    EXPECT_GE(log.lstLog->width(), 600);
    EXPECT_GE(log.lstLog->height(), 10 * log.cmdClose->height());
    log.resize(400, 300);
    const int buttonHeight = log.cmdClose->height();
    EXPECT_EQ(log.cmdClose->geometry().bottom() + 1, 300);
    EXPECT_EQ(log.cmdClose->x(), (400 - log.cmdClose->width()) / 2);
    EXPECT_EQ(log.lstLog->geometry(), QRect(0, 0, 400, 300 - buttonHeight));
    log.resize(30, buttonHeight / 2);
    EXPECT_EQ(log.lstLog->height(), 0);
}

// A trace runs for hours on the thread that plays the sound: a new line, shown and selected,
// costs the measure of that line alone, not of every line before it, and keeps its full width.
TEST_F(frmLogTest, ANewLineIsMeasuredAloneHoweverLongTheLogIs)
{
    TraceOn = true;
    frmLog log;
    auto* delegate = new MeasuringDelegate(log.lstLog);
    log.lstLog->setItemDelegate(delegate);
    log.show();
    for (int line = 0; line < 300; ++line)
        AddLog("QELVODX8.EventHandler:Playback had no sound for 85 ms, silence played " + std::to_string(line));
    QCoreApplication::processEvents();
    delegate->Measured = 0;
    const std::string longest(400, 'x');
    AddLog(longest);
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate->Measured, 1);
    EXPECT_EQ(log.lstLog->currentRow(), 300);
    EXPECT_GT(log.lstLog->item(300)->sizeHint().width(), log.lstLog->item(0)->sizeHint().width());
}
