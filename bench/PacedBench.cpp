#include "audio/QELVODX8.h"
#include "dsp/ReceiveState.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeProcessPriority.h"
#include "support/PacedSoundRig.h"
#include "support/ReceiverOnPacedRig.h"
#include "support/ScopedTestHome.h"
#include "support/TopLevelWindows.h"

#include <sys/resource.h>

#include <QApplication>
#include <QRadioButton>

#include <cstdio>
#include <cstdlib>
#include <ctime>

// The CPU time the running program takes per sound block, as the user runs it: start-up,
// power on in the mode a fresh start selects, the default devices on a paced sound server
// (the test rig's PulseAudio daemon). Prints the whole process (the sound server's client
// threads included) and the main thread alone. Argument: the seconds to measure (20).
namespace {

double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double MainThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 20;
    ScopedTestHome home;
    PacedSoundRig rig;
    if (!rig.SkipReason().empty()) {
        std::printf("skipped: %s\n", rig.SkipReason().c_str());
        return 0;
    }
    FakeMessageBoxes boxes;
    FakeProcessPriority priority;   // the scheduling does not change the time taken
    std::unique_ptr<frmSupervisor> supervisor;
    frmMain* main = StartReceiver(home.path(), "", supervisor);
    if (!main) {
        std::printf("the program did not start\n");
        return 1;
    }
    // Connected after the main window's handler: the profiler holds the block just processed.
    int64_t blocks = 0;
    double chainMicroseconds = 0;
    QObject::connect(main->SoundCard.get(), &QELVODX8::DataReady, [&] {
        ++blocks;
        chainMicroseconds += DSPProfiler ? DSPProfiler->Duration : 0.0;
    });
    main->optPwr[0]->setChecked(true);
    for (int waited = 0; blocks < 4 && waited < 5000; waited += 100)
        RunFor(100);   // past the start-up of the streams

    const int64_t firstBlock = blocks;
    const double chainBefore = chainMicroseconds;
    const double process = ProcessSeconds(), thread = MainThreadSeconds();
    WakeUpCounter wakeUps;
    RunFor(seconds * 1000);
    const double processUsed = ProcessSeconds() - process, threadUsed = MainThreadSeconds() - thread;
    const auto measured = static_cast<double>(std::max<int64_t>(blocks - firstBlock, 1));
    main->optPwr[1]->setChecked(true);

    std::printf("paced receiver, mode %d, %lld blocks in %d s, %.2f wake-ups per block\n",
                static_cast<int>(DemodMode), static_cast<long long>(blocks - firstBlock), seconds,
                static_cast<double>(wakeUps.Count) / measured);
    std::printf("  whole process: %7.0f us per block, %5.2f %% of one core\n", processUsed / measured * 1e6,
                100.0 * processUsed / seconds);
    std::printf("  main thread:   %7.0f us per block, %5.2f %% of one core\n", threadUsed / measured * 1e6,
                100.0 * threadUsed / seconds);
    std::printf("  receive chain:  %7.0f us per block (the block loop's own profiler)\n",
                (chainMicroseconds - chainBefore) / measured);
    std::printf("  sound messages: %zu\n", boxes.boxes.size());
    DeleteTopLevelWindows();
    return 0;
}
