#include "support/ChildReceiver.h"
#include "support/PacedSoundRig.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string>

// The CPU time the running program takes, as the user runs it, and what its sound server
// spends to serve it: the built program started in a child process, powered on from its panel
// in the mode a fresh start selects, on the default devices of a paced sound server (the
// tests' rig), first a private PulseAudio daemon, then a private PipeWire. For each, the
// server is measured alone (the rig's tone and its listener) and then with the program
// playing; the program's figure is its whole process, the sound server's client thread
// included. Argument: the seconds to measure each time (30). The program draws on the
// display in QT_QPA_PLATFORM (offscreen when unset): under a real or virtual X server, xcb
// measures a shown window.
namespace {

constexpr double BlockSeconds = 2048.0 / PacedSoundRig::SampleRate;

double Percent(double cpuSeconds, int seconds)
{
    return 100.0 * cpuSeconds / seconds;
}

// False when the program could not be run at all.
bool Measure(SoundServer server, const char* serverName, int seconds)
{
    PacedSoundRig rig(server);
    if (!rig.SkipReason().empty()) {
        std::printf("%s skipped: %s\n", serverName, rig.SkipReason().c_str());
        return true;
    }
    const double idleBefore = rig.ServerCpuSeconds();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double idle = rig.ServerCpuSeconds() - idleBefore;

    ChildReceiver program(ZOZEVERE_PROGRAM, ZOZEVERE_PLUGINS);
    if (!program.Start() || !program.Click("optPwr_0")) {
        std::printf("%s: the program did not start: %s\n", serverName, program.Failure().c_str());
        return false;
    }
    QThread::sleep(3);   // past the start-up of the streams
    const double programBefore = program.CpuSeconds();
    const double serverBefore = rig.ServerCpuSeconds();
    const int64_t wakeUpsBefore = program.WakeUps();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double used = program.CpuSeconds() - programBefore;
    const double served = rig.ServerCpuSeconds() - serverBefore;
    const double wakeUps = static_cast<double>(program.WakeUps() - wakeUpsBefore) / seconds;
    std::string lastWords;
    const bool alive = rig.Alive(lastWords);
    program.Close();
    if (!alive) {
        std::printf("%s: the sound server ended: %s\n", serverName, lastWords.c_str());
        return false;
    }
    std::printf("%s, %d s: the program %5.2f %% of one core (%4.0f us per block, %3.0f wake-ups a second); "
                "the server %5.2f %% while serving it, %5.2f %% with the rig's tone alone\n",
                serverName, seconds, Percent(used, seconds), used / (seconds / BlockSeconds) * 1e6, wakeUps,
                Percent(served, seconds), Percent(idle, seconds));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 30;
    const bool pulseAudio = Measure(SoundServer::PulseAudio, "PulseAudio", seconds);
    const bool pipeWire = Measure(SoundServer::PipeWire, "PipeWire", seconds);
    return pulseAudio && pipeWire ? 0 : 1;
}
