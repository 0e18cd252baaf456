#pragma once

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

class QProcess;

// A machine as busy as a developer's while a build runs: one process that spins on each core,
// and beside them a parallel build (each of its jobs compiling, over and over, a unit that pulls
// in much of the standard library, optimised: seconds of CPU, a few hundred megabytes, files
// written), for as long as the object lives: a load average of one and a half times the cores.
// Where no compiler is found, only the spinning processes run, and Compiling() is false.
class BusyMachine
{
public:
    // One spinning process for each core, and a build of half as many jobs as there are cores,
    // as this project's builds are run.
    BusyMachine();
    ~BusyMachine();
    BusyMachine(const BusyMachine&) = delete;
    BusyMachine& operator=(const BusyMachine&) = delete;

    bool Compiling() const { return compiling_; }
    // The load it makes, for the test's output.
    std::string Describe() const;

private:
    void Start(const QString& script);

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    int cores_ = 0;
    int compilers_ = 0;
    bool compiling_ = false;
};

// Whether the kernel's DAMON memory monitor (kdamond) runs. Beside it, under a load like the one
// above, the sanitized build's processes are held up far longer than the load alone holds them:
// its sound breaks for 4 to 19 blocks where 3 at most are heard without it, while the optimised
// program beside the same load and monitor plays on unbroken.
bool KernelMemoryMonitorRuns();
