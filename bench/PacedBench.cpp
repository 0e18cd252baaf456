#include "support/ChildReceiver.h"
#include "support/PacedSoundRig.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>

// The CPU time the running program takes, as the user runs it: the built program started
// in a child process, powered on from its panel in the mode a fresh start selects, on the
// default devices of a paced sound server (the tests' rig). Prints the whole process, its
// sound server's client threads included. Argument: the seconds to measure (20). The
// program draws on the display in QT_QPA_PLATFORM (offscreen when unset): under a real or
// virtual X server, xcb measures a shown window.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 20;
    PacedSoundRig rig;
    if (!rig.SkipReason().empty()) {
        std::printf("skipped: %s\n", rig.SkipReason().c_str());
        return 0;
    }
    ChildReceiver program(ZOZEVERE_PROGRAM, ZOZEVERE_PLUGINS);
    if (!program.Start() || !program.Click("optPwr_0")) {
        std::printf("the program did not start: %s\n", program.Failure().c_str());
        return 1;
    }
    QThread::sleep(3);   // past the start-up of the streams
    const double before = program.CpuSeconds();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double used = program.CpuSeconds() - before;
    const double blocks = seconds * PacedSoundRig::SampleRate / 2048.0;
    std::printf("running program, %d s: %7.0f us per block, %5.2f %% of one core\n", seconds, used / blocks * 1e6,
                100.0 * used / seconds);
    program.Close();
    return 0;
}
