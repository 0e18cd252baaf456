#pragma once

#include "support/TextFiles.h"

#include <QDir>
#include <QString>

#include <cstdint>
#include <unistd.h>

// What a running process has cost so far, read from /proc: 0 for a process that is gone.

// CPU seconds, all its threads together.
inline double ProcessCpuSeconds(qint64 pid)
{
    // Fields 14 and 15 of /proc/<pid>/stat, after the name in parentheses: user and system ticks.
    const QByteArray stat = ReadFile(QString("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0.0;
    return static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The times its threads went to sleep of their own accord and were woken again.
inline int64_t ProcessWakeUps(qint64 pid)
{
    const QString tasks = QString("/proc/%1/task").arg(pid);
    int64_t wakeUps = 0;
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QByteArray& line : ReadFile(tasks + "/" + task + "/status").split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                wakeUps += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return wakeUps;
}
