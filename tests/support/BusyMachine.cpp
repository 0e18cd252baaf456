#include "support/BusyMachine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace {

// What a compiler of a C++ project chews on: much of the standard library, instantiated.
constexpr const char* UnitSource = R"unit(#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>
int Work(int n)
{
    std::map<std::string, std::vector<double>> table;
    std::unordered_map<int, std::function<int(int)>> calls;
    std::mt19937 random(n);
    std::regex words("[a-z]+ ([0-9]+)");
    std::ostringstream text;
    for (int k = 0; k < n; ++k) {
        table[std::to_string(k)].push_back(std::uniform_real_distribution<double>()(random));
        calls[k] = [k](int x) { return x * k; };
        text << "word " << k << '\n';
    }
    std::smatch match;
    const std::string all = text.str();
    return std::regex_search(all, match, words) ? static_cast<int>(table.size()) + calls[0](n) : 0;
}
)unit";

} // namespace

BusyMachine::BusyMachine() : cores_(QThread::idealThreadCount())
{
    for (int core = 0; core < cores_; ++core)
        Start("while :; do :; done");
    const QString compiler = QStandardPaths::findExecutable("c++");
    QFile unit(dir_.filePath("unit.cpp"));
    compiling_ = dir_.isValid() && !compiler.isEmpty() && unit.open(QIODevice::WriteOnly) && unit.write(UnitSource) > 0;
    unit.close();
    if (!compiling_)
        return;
    compilers_ = std::max(cores_ / 2, 1);
    for (int job = 0; job < compilers_; ++job) {
        const QString object = dir_.filePath(QString("unit%1.o").arg(job));
        Start(QString("while :; do '%1' -std=c++20 -O2 -c '%2' -o '%3'; done").arg(compiler, unit.fileName(), object));
    }
}

BusyMachine::~BusyMachine()
{
    // Each loop and its compiler are one process group: both end at once.
    for (auto& process : processes_)
        if (process->processId() > 0)
            ::kill(-static_cast<pid_t>(process->processId()), SIGKILL);
    for (auto& process : processes_)
        process->waitForFinished(5000);
}

std::string BusyMachine::Describe() const
{
    return std::to_string(cores_) + " spinning processes and " + std::to_string(compilers_) + " compilers";
}

// In a process group of its own, which ends with this process however that ends.
void BusyMachine::Start(const QString& script)
{
    auto process = std::make_unique<QProcess>();
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process->start("sh", {"-c", script});
    processes_.push_back(std::move(process));
}

bool KernelMemoryMonitorRuns()
{
    const QDir monitors("/sys/kernel/mm/damon/admin/kdamonds");
    for (const QString& monitor : monitors.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile state(monitors.filePath(monitor + "/state"));
        if (state.open(QIODevice::ReadOnly) && state.readAll().trimmed() == "on")
            return true;
    }
    return false;
}
