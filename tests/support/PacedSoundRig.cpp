#include "support/PacedSoundRig.h"
#include "support/RawSamples.h"

#include <alsa/asoundlib.h>
#include <sys/prctl.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>

namespace {

constexpr int StartTimeoutMs = 5000;
constexpr int StopTimeoutMs = 2000;
// Above what a playing program asks for, so that the sink runs at the program's latency; low
// enough that a null sink, which wakes for a new stream only at the end of its current
// sleep (a desktop's sink wakes at once), keeps a stream of the program waiting no longer
// than a fifth of a second.
constexpr int RecorderLatencyMs = 200;

QString SocketPath(const QTemporaryDir& dir) { return dir.filePath("runtime/native"); }

} // namespace

PacedSoundRig::PacedSoundRig(int32_t toneHz)
{
    if (!dir_.isValid()) {
        Skip("no temporary folder for the PulseAudio daemon");
        return;
    }
    QDir(dir_.path()).mkpath("runtime");
    QDir(dir_.path()).mkpath(".config/pulse");
    QFile clientConfig(dir_.filePath(".config/pulse/client.conf"));
    if (!clientConfig.open(QIODevice::WriteOnly) || clientConfig.write("autospawn = no\n") <= 0) {
        Skip("cannot write the PulseAudio client configuration in " + dir_.path().toStdString());
        return;
    }
    clientConfig.close();
    // ALSA's "default": playback into the recorded sink, capture from the tone sink's monitor.
    const QString server = "unix:" + SocketPath(dir_);
    home_ = std::make_unique<ScopedAlsaHome>(dir_.path(), QStringLiteral(R"(
pcm.!default {
    type asym
    playback.pcm { type pulse server "%1" device "zoz_played" }
    capture.pcm { type pulse server "%1" device "zoz_signal.monitor" }
}
)").arg(server).toUtf8());
    if (!home_->Written())
        Skip("cannot write the ALSA configuration in " + dir_.path().toStdString());
    else if (StartDaemon(toneHz) && ReachableThroughAlsa())
        StartListener();
}

PacedSoundRig::~PacedSoundRig()
{
    Stop(recorder_);
    Stop(listener_);
    Stop(daemon_);
}

void PacedSoundRig::Stop(std::unique_ptr<QProcess>& process)
{
    if (!process)
        return;
    process->terminate();
    if (!process->waitForFinished(StopTimeoutMs))
        process->kill();
    process->waitForFinished(StopTimeoutMs);
    process.reset();
}

// A child of this test only: it ends with the test process, however that ends. What it
// says goes to a file, never into a pipe that nobody reads while the test waits.
std::unique_ptr<QProcess> PacedSoundRig::Launch(const QString& program, const QStringList& arguments,
                                                const QString& outputFile)
{
    auto process = std::make_unique<QProcess>();
    if (!outputFile.isEmpty())
        process->setStandardOutputFile(outputFile);
    process->setStandardErrorFile(dir_.filePath(QFileInfo(program).fileName() + ".log"), QIODevice::Append);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", dir_.path());
    environment.insert("XDG_RUNTIME_DIR", dir_.filePath("runtime"));
    environment.insert("PULSE_RUNTIME_PATH", dir_.filePath("runtime"));
    environment.insert("PULSE_STATE_PATH", dir_.filePath("runtime"));
    environment.insert("PULSE_SERVER", "unix:" + SocketPath(dir_));
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, arguments);
    return process;
}

bool PacedSoundRig::StartDaemon(int32_t toneHz)
{
    const QString program = QStandardPaths::findExecutable("pulseaudio");
    if (program.isEmpty()) {
        Skip("pulseaudio is not installed (scripts/install-deps.sh installs it)");
        return false;
    }
    daemon_ = Launch(program, {"--daemonize=no", "--system=no", "--use-pid-file=no", "--exit-idle-time=-1", "-n",
                               "--log-target=stderr",
                               "--load=module-null-sink sink_name=zoz_signal rate=48000 channels=2",
                               "--load=module-null-sink sink_name=zoz_played rate=48000 channels=1",
                               QString("--load=module-sine sink=zoz_signal frequency=%1").arg(toneHz),
                               // last, so that the socket appears once everything else is there
                               "--load=module-native-protocol-unix auth-anonymous=1 socket=" + SocketPath(dir_)});
    if (!daemon_->waitForStarted(StartTimeoutMs)) {
        Skip("the PulseAudio daemon cannot be started: " + daemon_->errorString().toStdString());
        return false;
    }
    for (int waited = 0; waited < StartTimeoutMs; waited += 20) {
        if (daemon_->waitForFinished(20)) {
            Skip("the PulseAudio daemon ended at once: " + DaemonSaid());
            return false;
        }
        if (QFile::exists(SocketPath(dir_)))
            return true;
    }
    Skip("the PulseAudio daemon opened no socket within 5 s");
    return false;
}

bool PacedSoundRig::ReachableThroughAlsa()
{
    snd_pcm_t* pcm = nullptr;
    const int error = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0) {
        Skip(std::string("ALSA cannot reach the PulseAudio daemon (is libasound2-plugins installed?): ") +
             snd_strerror(error));
        return false;
    }
    snd_pcm_close(pcm);
    return true;
}

// A null sink runs at a latency of seconds until a client asks for less, and it takes
// such a request only when it next wakes: a stream that started then would wait that long
// for its first samples. A sound card's input runs all the time at a few milliseconds. A
// listener on the tone sink's monitor asks for that (at a low rate, so that what it writes
// stays small), and the rig waits until the sink has woken from the long sleep it started with.
bool PacedSoundRig::StartListener()
{
    const QString heard = dir_.filePath("signal.heard");
    listener_ = Record("zoz_signal.monitor", 20, {"--format=u8", "--rate=8000", "--channels=1"}, heard);
    if (!listener_) {
        Skip("pacat cannot be started (scripts/install-deps.sh installs pulseaudio-utils)");
        return false;
    }
    if (WaitForData(heard, *listener_))
        return true;
    Skip("the tone sink delivered nothing within 5 s");
    return false;
}

bool PacedSoundRig::WaitForData(const QString& file, QProcess& recorder)
{
    for (int waited = 0; waited < StartTimeoutMs; waited += 20) {
        if (QFileInfo(file).size() > 0)
            return true;
        recorder.waitForFinished(20);
    }
    return false;
}

std::unique_ptr<QProcess> PacedSoundRig::Record(const QString& source, int latencyMs, const QStringList& format,
                                                const QString& file)
{
    const QString program = QStandardPaths::findExecutable("pacat");
    if (program.isEmpty())
        return nullptr;
    auto process = Launch(program,
                          QStringList{"--record", "--raw", QString("--latency-msec=%1").arg(latencyMs), "--device=" + source} + format,
                          file);
    return process->waitForStarted(StartTimeoutMs) ? std::move(process) : nullptr;
}

bool PacedSoundRig::StartRecording()
{
    if (!skipReason_.empty())
        return false;
    // The sink may be asleep for a long latency of its own: a short-lived listener wakes it
    // up, so that the recording begins where the clock does.
    const QString heard = dir_.filePath("played.heard");
    std::unique_ptr<QProcess> waker = Record("zoz_played.monitor", 20, {"--format=u8", "--rate=8000", "--channels=1"}, heard);
    if (!waker || !WaitForData(heard, *waker))
        return false;
    const QString played = dir_.filePath("played.raw");
    QFile::remove(played);
    recorder_ = Record("zoz_played.monitor", RecorderLatencyMs, {"--format=s16le", "--rate=48000", "--channels=1"}, played);
    recordingClock_.start();
    const bool recording = recorder_ && WaitForData(played, *recorder_);
    Stop(waker);
    return recording;
}

std::vector<int16_t> PacedSoundRig::Played()
{
    if (!recorder_)
        return {};
    Stop(recorder_);
    return ReadRawSamples(dir_.filePath("played.raw"));
}

bool PacedSoundRig::Alive(std::string& lastWords) const
{
    if (daemon_ && daemon_->state() == QProcess::Running)
        return true;
    lastWords = DaemonSaid();
    return false;
}

std::string PacedSoundRig::DaemonSaid() const
{
    QFile log(dir_.filePath("pulseaudio.log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll().right(600).toStdString() : std::string();
}

bool PacedSoundRig::SuspendInput(bool suspended)
{
    const QString program = QStandardPaths::findExecutable("pactl");
    if (program.isEmpty() || !skipReason_.empty())
        return false;
    auto pactl = Launch(program, {"suspend-sink", "zoz_signal", suspended ? "1" : "0"});
    return pactl->waitForFinished(StartTimeoutMs) && pactl->exitStatus() == QProcess::NormalExit && pactl->exitCode() == 0;
}

void PacedSoundRig::Skip(const std::string& why)
{
    if (skipReason_.empty())
        skipReason_ = "No paced sound server: " + why;
}

std::vector<double> BlockLevels(const std::vector<int16_t>& samples, size_t blockSamples)
{
    std::vector<double> levels;
    for (size_t first = 0; blockSamples > 0 && first + blockSamples <= samples.size(); first += blockSamples) {
        double sum = 0;
        for (size_t i = first; i < first + blockSamples; ++i)
            sum += static_cast<double>(samples[i]) * samples[i];
        levels.push_back(std::sqrt(sum / static_cast<double>(blockSamples)));
    }
    return levels;
}
