#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The built program in a child process, in a folder of its own (program folder, settings,
// runtime folder), traced, with a receiver that needs no port (the Vantrel RAV1, its
// oscillator above a 12 kHz IF), and driven through its own panel by the panel driver
// that Qt loads into it. The child ends with the test, however the test ends.
class ChildReceiver
{
public:
    enum class Priority { AsGranted, NeverRealTime };

    ChildReceiver(const std::string& program, const std::string& pluginFolder);
    ~ChildReceiver();
    ChildReceiver(const ChildReceiver&) = delete;
    ChildReceiver& operator=(const ChildReceiver&) = delete;

    // An environment variable for the program, set on top of this process's own at Start.
    void SetEnvironment(const QString& name, const QString& value) { extraEnvironment_.insert(name, value); }
    // Settings file text written at Start after the receiver's own section, as an earlier run
    // would have left it.
    void AddSettings(const QByteArray& text) { extraSettings_ += text; }
    // The band plan the program finds in its folder at Start (one band without sub-bands
    // unless set), as the text of a band plan file.
    void SetBandPlan(const QByteArray& text) { bandPlan_ = text; }
    // Starts the program and waits until its main window is up; false with Failure() set.
    bool Start(Priority priority = Priority::AsGranted);
    // Through the panel driver, on the visible control of that name; false with Failure() set.
    // A left click.
    bool Click(const std::string& objectName);
    // A check box brought to the state by a click, where it is not in it already.
    bool Tick(const std::string& objectName, bool on);
    // A click on the tab of that caption in a tab strip.
    bool ChooseTab(const std::string& tabStrip, const std::string& caption);
    // The first entry of a drop-down list that contains the text, picked as from the open list.
    bool Choose(const std::string& list, const std::string& text);
    // The entries of a drop-down list.
    bool Entries(const std::string& list, std::vector<std::string>& entries);
    // Holds the program still for the given time, as a busy desktop may.
    void Freeze(int milliseconds);
    // Closes the program with a stop signal; its exit status, -1 when it did not end normally.
    int Close();

    std::vector<std::string> TraceLines() const;
    // The trace log file as it stands, byte for byte.
    QByteArray TraceText() const;
    // The folder that holds the program's folder, settings and runtime folder.
    QString Folder() const { return dir_.path(); }
    bool TraceShows(const std::string& text) const;
    // CPU seconds the program has used so far, all its threads together.
    double CpuSeconds() const;
    // The times its threads have been woken so far.
    int64_t WakeUps() const;
    const std::string& Failure() const { return failure_; }
    qint64 ProcessId() const { return process_.processId(); }

private:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    bool Command(const std::string& line, std::string& answer);
    bool WaitFor(const std::function<bool()>& done, int milliseconds);
    bool Fail(const std::string& why);

    std::string program_;
    std::string pluginFolder_;
    QTemporaryDir dir_;
    QProcessEnvironment extraEnvironment_;
    QByteArray extraSettings_;
    QByteArray bandPlan_ = "[MainBand]\r\n";
    QProcess process_;
    int commands_ = 0;
    std::string failure_;
};
