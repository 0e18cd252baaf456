#include "support/PacedSoundRig.h"

#include <QDir>
#include <QFile>

namespace {

// 21 ms: twice the longest stall measured of a real-time thread (see ShortestCycle).
constexpr int ShortestCycleFrames = 1024;

} // namespace

// PipeWire as a desktop runs it, headless in the rig's folder: its own session bus, the
// server, its session manager and its PulseAudio server, through which the null sinks are
// made and the tone is played. ALSA's "default" reaches it through the pulse plugin.
bool PacedSoundRig::StartPipeWire()
{
    if (!ShortestCycle(ShortestCycleFrames))
        return false;
    const QString bus = dir_.filePath("runtime/bus");
    const bool started =
        StartServerProcess("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus}, bus) &&
        StartServerProcess("pipewire", {}, dir_.filePath("runtime/pipewire-0")) &&
        StartServerProcess("wireplumber", {}, {}) && StartServerProcess("pipewire-pulse", {}, ControlSocketPath());
    if (!started)
        return false;
    QStringList sinks{NullSink(SignalSink, 2)};
    if (options_.spareSinkAhead)
        sinks << NullSink(SpareSink, 1);
    sinks << NullSink(PlayedSink, 1, options_.playedRate) << NullSink(ReferenceSink, 1);
    for (const QString& sink : sinks) {
        if (!Pactl(QStringList{"load-module", "module-null-sink"} + sink.split(' '))) {
            Skip("PipeWire's PulseAudio server makes no null sink (is pulseaudio-utils installed?)");
            return false;
        }
    }
    return true;
}

// A machine may stall even a real-time thread for up to 10 ms at times, busy or not (see
// docs/testing.md): PipeWire's 512-frame cycle (10.7 ms), the one a sink read at 20 ms runs at,
// then misses its turn, a stream's sound for that cycle is lost, silence is heard in its place,
// and no client is told. The rig's cycles are at least the given frames long.
bool PacedSoundRig::ShortestCycle(int frames)
{
    const QString folder = dir_.filePath(".config/pipewire/pipewire.conf.d");
    QFile settings(folder + "/shortest-cycle.conf");
    const bool written = QDir().mkpath(folder) && settings.open(QIODevice::WriteOnly) &&
                         settings.write("context.properties = { default.clock.min-quantum = " + QByteArray::number(frames) +
                                        " }\n") > 0;
    if (!written)
        Skip("PipeWire's settings cannot be written in the rig's folder");
    return written;
}

// PipeWire has no tone module, and no server's plays two tones or the noisy AM signal: this
// test program writes the signal, and a player plays it.
bool PacedSoundRig::PlayThroughAPlayer(const char* routine)
{
    const bool started = StartPlayer(routine, SignalSink, {"--channels=2", "--latency-msec=250"}, serverProcesses_);
    if (!started)
        Skip("the signal cannot be played into the sound server");
    return started;
}
