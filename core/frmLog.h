#pragma once

#include <QWidget>

#include <string>

class QListWidget;
class QPushButton;

// Appends one line to the trace log window and the log file while TraceOn is set;
// does nothing otherwise. Before the log window exists the line goes to the file only.
void AddLog(const std::string& record);

// The trace log window: one list entry per record, the newest selected. While TraceOn is
// set at its creation it starts the log file (ProgramFolder/ZOZEVERE.log) with a header
// line. The program has one such window; AddLog writes to it.
class frmLog : public QWidget
{
    Q_OBJECT

public:
    explicit frmLog(QWidget* parent = nullptr);
    ~frmLog() override;

    static frmLog* Current();  // the log window, or nullptr before it exists

    void AddLog(const std::string& record);

    QListWidget* lstLog;
    QPushButton* cmdClose;
    std::string LogFileName;
    bool LogBusy = false;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Initialize();
    void Form_Load();
    void Form_Resize();
    void cmdClose_Click();
    void ShowUnwritableFile();
    void AppendLine(const std::string& text);

    bool fileUnwritable_ = false;  // a write failed; the list says so once
    std::string unwritableWhy_;    // the system's reason for it
};
