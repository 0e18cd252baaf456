#include "core/frmLog.h"

#include "core/BusyGuard.h"
#include "core/Globals.h"
#include "platform/AppPaths.h"

#include <QAbstractItemDelegate>
#include <QDateTime>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

frmLog* theLogWindow = nullptr;

// Room for lines of a hundred characters and a screenful of them above the button.
const QSize OpeningSize(720, 420);

std::string LogFilePath()
{
    return AppPaths::ProgramFolder() + "/" + AppPaths::ApplicationTitle + ".log";
}

// Writes one line, ended by CR LF; false, with the system's reason when given a place for
// it, when the file cannot be written.
bool WriteLine(const std::string& path, const std::string& line, std::ios::openmode mode, std::string* why = nullptr)
{
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::out | mode);
    const int openError = errno;
    file << line << "\r\n";
    file.close();
    if (!file.fail())
        return true;
    if (why)
        *why = std::strerror(openError != 0 ? openError : EIO);
    return false;
}

std::string HeaderLine()
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return "ZOZEVERE Log File Started at Date=" + locale.toString(now.date(), QLocale::ShortFormat).toStdString()
           + " Time=" + locale.toString(now.time(), QLocale::LongFormat).toStdString();
}

} // namespace

void AddLog(const std::string& record)
{
    if (!TraceOn)
        return;
    if (theLogWindow)
        theLogWindow->AddLog(record);
    else
        WriteLine(LogFilePath(), record, std::ios::app);
}

frmLog::frmLog(QWidget* parent)
    : QWidget(parent), lstLog(new QListWidget(this)), cmdClose(new QPushButton("&Close", this))
{
    cmdClose->resize(cmdClose->sizeHint());
    resize(OpeningSize);
    connect(cmdClose, &QPushButton::clicked, this, &frmLog::cmdClose_Click);
    theLogWindow = this;
    Form_Initialize();
    Form_Load();
}

frmLog::~frmLog()
{
    if (theLogWindow == this)
        theLogWindow = nullptr;
}

frmLog* frmLog::Current() { return theLogWindow; }

void frmLog::Form_Initialize()
{
    LogFileName = LogFilePath();
    if (TraceOn && !WriteLine(LogFileName, HeaderLine(), std::ios::trunc, &unwritableWhy_))
        fileUnwritable_ = true;  // shown once the list is ready
}

void frmLog::Form_Load()
{
    if (!TraceOn)
        return;
    setWindowTitle(QString::fromStdString(AppPaths::ExecutableName()) + " Log Display");
    lstLog->clear();
    if (fileUnwritable_)
        ShowUnwritableFile();
}

void frmLog::AddLog(const std::string& record)
{
    if (!TraceOn || LogBusy)
        return;  // a record arriving while one is written is dropped
    BusyGuard busy(LogBusy);
    AppendLine(record);
    if (!WriteLine(LogFileName, record, std::ios::app, &unwritableWhy_) && !fileUnwritable_) {
        fileUnwritable_ = true;
        ShowUnwritableFile();
    }
    lstLog->setCurrentRow(lstLog->count() - 1);
}

// Each line is measured once, as it comes, and keeps its size: selecting the newest line lays
// the list out again, and a list that measured every line each time (laying out its text) would
// take longer with every line traced, on the thread that plays the sound.
void frmLog::AppendLine(const std::string& text)
{
    auto* line = new QListWidgetItem(QString::fromStdString(text), lstLog);
    QStyleOptionViewItem option;
    option.initFrom(lstLog);
    line->setSizeHint(lstLog->itemDelegate()->sizeHint(option, lstLog->model()->index(lstLog->row(line), 0)));
}

// A log file that cannot be written must not stop the program: the window and standard error
// say so once, and the records go on reaching the list (and the file, should it become
// writable).
void frmLog::ShowUnwritableFile()
{
    const std::string text = "frmLog: the log file " + LogFileName + " cannot be written (" + unwritableWhy_ +
                             "); the trace is kept in this window only. Check that the folder is writable.";
    AppendLine(text);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void frmLog::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmLog::Form_Resize()
{
    if (!TraceOn)
        return;
    const int buttonHeight = cmdClose->height();
    cmdClose->move((width() - cmdClose->width()) / 2, height() - buttonHeight);
    lstLog->setGeometry(0, 0, width(), std::max(0, height() - buttonHeight));
}

void frmLog::cmdClose_Click() { hide(); }
