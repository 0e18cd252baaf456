#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into the Qt signal requested() on the main
// thread (through a self-pipe), so that the program can close its main window
// the normal way and save its settings.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void requested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};

// A file-size limit (ulimit -f) makes the kernel end a process that writes past it with
// SIGXFSZ. Ignored for the whole process, such a write fails with EFBIG instead, like a
// write to a full disk, and the writer reports it and the program goes on.
void IgnoreFileSizeLimitSignal();
