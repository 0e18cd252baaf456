#include "support/PacedSoundRig.h"

// PipeWire as a desktop runs it, headless in the rig's folder: its own session bus, the
// server, its session manager and its PulseAudio server, through which the null sinks are
// made and the tone is played. ALSA's "default" reaches it through the pulse plugin.
bool PacedSoundRig::StartPipeWire()
{
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

// PipeWire has no tone module, and no server has the noisy AM signal: this test program
// writes the signal, and a player plays it.
bool PacedSoundRig::PlayThroughAPlayer(const char* routine)
{
    const bool started = StartPlayer(routine, SignalSink, {"--channels=2", "--latency-msec=250"}, serverProcesses_);
    if (!started)
        Skip("the signal cannot be played into the sound server");
    return started;
}
