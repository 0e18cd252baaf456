#include "support/PacedSoundRig.h"
#include "support/RawSamples.h"

#include <alsa/asoundlib.h>
#include <sys/prctl.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <csignal>
#include <cstdlib>

namespace {

constexpr int StartTimeoutMs = 5000;
constexpr int StopTimeoutMs = 2000;

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
        StartListeners();
}

PacedSoundRig::~PacedSoundRig()
{
    Stop(recorder_);
    for (std::unique_ptr<QProcess>& listener : listeners_)
        Stop(listener);
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

// A child of this test only: it ends with the test process, however that ends.
std::unique_ptr<QProcess> PacedSoundRig::Launch(const QString& program, const QStringList& arguments,
                                                const QString& outputFile)
{
    auto process = std::make_unique<QProcess>();
    if (!outputFile.isEmpty())
        process->setStandardOutputFile(outputFile);
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
            Skip("the PulseAudio daemon ended at once: " + daemon_->readAllStandardError().right(400).toStdString());
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
// for its first samples, or for its first samples to be played. A desktop's sound server
// runs its cards at a few milliseconds. A listener on each sink's monitor asks for that
// (at a low rate, so that what it writes stays small), and the rig waits until both sinks
// have woken from the long sleep they started with.
void PacedSoundRig::StartListeners()
{
    QStringList heard;
    for (const QString sink : {"zoz_signal", "zoz_played"}) {
        heard.push_back(dir_.filePath(sink + ".heard"));
        listeners_.push_back(Record(sink + ".monitor", {"--format=u8", "--rate=8000", "--channels=1"}, heard.back()));
        if (!listeners_.back()) {
            Skip("pacat cannot be started (scripts/install-deps.sh installs pulseaudio-utils)");
            return;
        }
    }
    for (int waited = 0; waited < StartTimeoutMs; waited += 20) {
        if (std::all_of(heard.begin(), heard.end(), [](const QString& file) { return QFileInfo(file).size() > 0; }))
            return;
        listeners_.back()->waitForFinished(20);
    }
    Skip("the null sinks delivered nothing within 5 s");
}

std::unique_ptr<QProcess> PacedSoundRig::Record(const QString& source, const QStringList& format, const QString& file)
{
    const QString program = QStandardPaths::findExecutable("pacat");
    if (program.isEmpty())
        return nullptr;
    auto process = Launch(program, QStringList{"--record", "--raw", "--latency-msec=20", "--device=" + source} + format,
                          file);
    return process->waitForStarted(StartTimeoutMs) ? std::move(process) : nullptr;
}

bool PacedSoundRig::StartRecording()
{
    if (!skipReason_.empty())
        return false;
    QFile::remove(dir_.filePath("played.raw"));
    recorder_ = Record("zoz_played.monitor", {"--format=s16le", "--rate=48000", "--channels=1"},
                       dir_.filePath("played.raw"));
    return recorder_ != nullptr;
}

std::vector<int16_t> PacedSoundRig::Played()
{
    if (!recorder_)
        return {};
    Stop(recorder_);
    return ReadRawSamples(dir_.filePath("played.raw"));
}

void PacedSoundRig::Skip(const std::string& why)
{
    if (skipReason_.empty())
        skipReason_ = "No paced sound server: " + why;
}

namespace {

bool IsLoud(int16_t sample, int16_t loud) { return std::abs(int32_t{sample}) >= loud; }

} // namespace

size_t LoudSpan(const std::vector<int16_t>& played, int16_t loud)
{
    const auto isLoud = [loud](int16_t s) { return IsLoud(s, loud); };
    const auto first = std::find_if(played.begin(), played.end(), isLoud);
    if (first == played.end())
        return 0;
    const auto last = std::find_if(played.rbegin(), played.rend(), isLoud);
    return static_cast<size_t>(last.base() - first);
}

int64_t FirstDropout(const std::vector<int16_t>& played, size_t windowSamples, int16_t loud)
{
    const auto isLoud = [loud](int16_t s) { return IsLoud(s, loud); };
    const auto first = std::find_if(played.begin(), played.end(), isLoud);
    if (first == played.end())
        return -1;
    const auto end = std::find_if(played.rbegin(), played.rend(), isLoud).base();
    size_t quiet = 0;
    for (auto it = first; it != end; ++it) {
        quiet = isLoud(*it) ? 0 : quiet + 1;
        if (quiet >= windowSamples)
            return (it - played.begin()) - static_cast<int64_t>(windowSamples) + 1;
    }
    return -1;
}
