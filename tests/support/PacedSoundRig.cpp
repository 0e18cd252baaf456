#include "support/PacedSoundRig.h"
#include "support/AwakeSink.h"
#include "support/ChildRoutines.h"
#include "support/ProcessCpu.h"
#include "support/TextFiles.h"

#include <alsa/asoundlib.h>
#include <sys/prctl.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>

namespace {

constexpr int StopTimeoutMs = 2000;

// A period of the signal as an endless raw stream on standard output, for a player of the
// sound server, written a tenth of a second or more at a time.
void PlayForever(const std::vector<int16_t>& period)
{
    std::vector<int16_t> frames;
    while (frames.size() < 2 * 4800)
        for (int16_t sample : period)
            frames.insert(frames.end(), {sample, sample});
    while (std::fwrite(frames.data(), sizeof(int16_t), frames.size(), stdout) == frames.size()) {
    }
}

// The tone and the second one at 15/64 of full scale each: the program plays them at the level
// they come in, and their peaks together stay 0.6 dB below its limiter's, which would turn a
// whole block down where it reached it.
const bool tonesRoutine = ChildRoutines::Register("PacedSoundRig.Tones", [] {
    std::vector<int16_t> period;
    for (size_t i = 0; i < PacedSoundRig::TonesPeriod; ++i) {
        const double t = static_cast<double>(i) / PacedSoundRig::SampleRate;
        period.push_back(static_cast<int16_t>(std::lround(7680.0 * (std::cos(2.0 * M_PI * PacedSoundRig::ToneHz * t) +
                                                                    std::cos(2.0 * M_PI * PacedSoundRig::SecondToneHz * t)))));
    }
    PlayForever(period);
    return 0;
});

// The tone as the carrier of an AM signal, half modulated by two tones (0.4 and 1.1 kHz), in
// white noise 20 dB below the carrier: a second of it, repeated. Whatever the mode and the
// filters, the receiver makes sound of it.
const bool noisyAMRoutine = ChildRoutines::Register("PacedSoundRig.NoisyAM", [] {
    std::vector<int16_t> frames;
    uint32_t noise = 12345;
    for (int i = 0; i < PacedSoundRig::SampleRate; ++i) {
        const double t = static_cast<double>(i) / PacedSoundRig::SampleRate;
        const double modulation = 0.25 * std::sin(2.0 * M_PI * 400 * t) + 0.25 * std::sin(2.0 * M_PI * 1100 * t);
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / (1u << 24) - 0.5) * 2.0 * 1400.0;
        const double carrier = 8000.0 * (1.0 + modulation) * std::cos(2.0 * M_PI * PacedSoundRig::ToneHz * t);
        const auto sample = static_cast<int16_t>(std::lround(carrier + hiss));
        frames.insert(frames.end(), {sample, sample});
    }
    while (std::fwrite(frames.data(), sizeof(int16_t), frames.size(), stdout) == frames.size()) {
    }
    return 0;
});

} // namespace

PacedSoundRig::PacedSoundRig(SoundServer server, RigOptions options) : server_(server), options_(options)
{
    rigClock_.start();
    if (!dir_.isValid()) {
        Skip("no temporary folder for the PulseAudio daemon");
        return;
    }
    QDir(dir_.path()).mkpath("runtime/server");
    QDir(dir_.path()).mkpath(".config/pulse");
    // Programs that use the sound server's own API find it through this file in HOME.
    const QByteArray clientSettings = "autospawn = no\ndefault-server = unix:" + SocketPath().toUtf8() + "\n";
    QFile clientConfig(dir_.filePath(".config/pulse/client.conf"));
    if (!clientConfig.open(QIODevice::WriteOnly) || clientConfig.write(clientSettings) <= 0) {
        Skip("cannot write the PulseAudio client configuration in " + dir_.path().toStdString());
        return;
    }
    clientConfig.close();
    // ALSA's "default": playback into the recorded sink, capture from the tone sink's monitor.
    QFile::setPermissions(dir_.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socket = "unix:" + SocketPath();
    home_ = std::make_unique<ScopedAlsaHome>(dir_.path(), QStringLiteral(R"(
pcm.!default {
    type asym
    playback.pcm { type pulse server "%1" device "%2" }
    capture.pcm { type pulse server "%1" device "%3.monitor" }
}
)").arg(socket, PlayedSink, SignalSink).toUtf8());
    if (!home_->Written()) {
        Skip("cannot write the ALSA configuration in " + dir_.path().toStdString());
        return;
    }
    StartServer();
}

// Clients find the server only once its sinks, defaults and tone are in place, as they are
// when a desktop's server starts again.
bool PacedSoundRig::StartServer()
{
    const bool started = server_ == SoundServer::PulseAudio ? StartPulseAudio() : StartPipeWire();
    if (!started || !ChooseServerDefaults() || !PlayTone() || !StartListener())
        return false;
    // Long before any recording, so that a recording never holds the reference stream's start.
    if (!PlayReference()) {
        Skip("the reference stream cannot be played into the sound server");
        return false;
    }
    if (server_ == SoundServer::PulseAudio && options_.keepPlayedSinkAwake) {
        awake_ = std::make_unique<AwakeSink>("unix:" + ControlSocketPath().toStdString(), PlayedSink);
        if (!awake_->Ready()) {
            Skip("the played sink's streams cannot be followed");
            return false;
        }
    }
    if (!OpenToClients())
        return false;
    serverClock_.start();
    return ReachableThroughAlsa();
}

// The server is set up, and its sinks are listened to and recorded, through a socket of the
// rig's own; its clients' socket opens last: PulseAudio opens it when asked, PipeWire's is a
// link to the rig's (PipeWire's server opens its socket as it starts).
bool PacedSoundRig::OpenToClients()
{
    const bool opened =
        server_ == SoundServer::PulseAudio
            ? Pactl({"load-module", "module-native-protocol-unix", "auth-anonymous=1", "socket=" + SocketPath()})
            : QFile::link(ControlSocketPath(), SocketPath());
    if (!opened) {
        Skip("the sound server opens no socket to its clients");
        return false;
    }
    for (int waited = 0; waited < StartTimeoutMs && !QFile::exists(SocketPath()); waited += 10)
        QThread::msleep(10);
    return true;
}

bool PacedSoundRig::RestartServer(std::string& failure)
{
    StopRecorders();
    StopAll(reference_);
    awake_.reset();
    Stop(listener_);
    KillServer();
    StopAll(serverProcesses_);
    // What the killed processes left behind must not pass for the new ones' sockets.
    for (const char* left : {"runtime/native", "runtime/control", "runtime/server/native", "runtime/bus", "runtime/pipewire-0"})
        QFile::remove(dir_.filePath(left));
    if (!StartServer())
        return failure = skipReason_, false;
    return true;
}

int PacedSoundRig::LoadModule(const QStringList& arguments)
{
    const QString said = dir_.filePath("module.index");
    QFile::remove(said);
    if (!Pactl(QStringList{"load-module"} + arguments, said))
        return -1;
    QFile file(said);
    bool number = false;
    const int index = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt(&number) : -1;
    return number ? index : -1;
}

bool PacedSoundRig::UnloadModule(int index)
{
    return Pactl({"unload-module", QString::number(index)});
}

// The clients' socket, where the program finds the server.
QString PacedSoundRig::SocketPath() const
{
    return dir_.filePath("runtime/native");
}

// PipeWire's server puts its socket in PULSE_RUNTIME_PATH.
QString PacedSoundRig::ControlSocketPath() const
{
    return dir_.filePath(server_ == SoundServer::PulseAudio ? "runtime/control" : "runtime/server/native");
}

PacedSoundRig::~PacedSoundRig()
{
    StopRecorders();
    StopAll(reference_);
    awake_.reset();
    Stop(listener_);
    StopAll(serverProcesses_);
}

// The last started first.
void PacedSoundRig::StopAll(std::vector<std::unique_ptr<QProcess>>& processes)
{
    while (!processes.empty()) {
        Stop(processes.back());
        processes.pop_back();
    }
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
    auto process = NewProcess(program);
    if (!outputFile.isEmpty())
        process->setStandardOutputFile(outputFile);
    process->start(program, arguments);
    return process;
}

std::unique_ptr<QProcess> PacedSoundRig::NewProcess(const QString& program)
{
    auto process = std::make_unique<QProcess>();
    process->setStandardErrorFile(dir_.filePath(QFileInfo(program).fileName() + ".log"), QIODevice::Append);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", dir_.path());
    environment.insert("XDG_CONFIG_HOME", dir_.filePath(".config"));
    environment.insert("XDG_RUNTIME_DIR", dir_.filePath("runtime"));
    environment.insert("PULSE_RUNTIME_PATH", dir_.filePath("runtime/server"));
    environment.insert("PULSE_STATE_PATH", dir_.filePath("runtime"));
    environment.insert("PULSE_SERVER", "unix:" + ControlSocketPath());
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir_.filePath("runtime/bus"));
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    return process;
}

// The played sink takes back nothing it played ahead, unless asked to: what it took back from
// its monitor's recorder after the recorder had it would be lost from the recording, which would
// then run behind the clock.
bool PacedSoundRig::StartPulseAudio()
{
    QStringList arguments{"--daemonize=no", "--system=no", "--use-pid-file=no", "--exit-idle-time=-1", "-n",
                          "--log-target=stderr", "--load=module-null-sink " + NullSink(SignalSink, 2)};
    if (options_.spareSinkAhead)
        arguments << "--load=module-null-sink " + NullSink(SpareSink, 1);
    const QString rewinds = options_.playedSinkRewinds ? "" : "norewinds=1 ";
    arguments << "--load=module-null-sink " + rewinds + NullSink(PlayedSink, 1, options_.playedRate)
              << "--load=module-null-sink norewinds=1 " + NullSink(ReferenceSink, 1)
              // the rig's own socket; the clients' one opens once everything is there
              << "--load=module-native-protocol-unix auth-anonymous=1 socket=" + ControlSocketPath();
    return StartServerProcess("pulseaudio", arguments, ControlSocketPath());
}

// Starts one process of the server and waits for the socket it opens (none to wait for: empty).
bool PacedSoundRig::StartServerProcess(const char* name, const QStringList& arguments, const QString& socket)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) {
        Skip(std::string(name) + " is not installed");
        return false;
    }
    serverProcesses_.push_back(Launch(program, arguments));
    QProcess& process = *serverProcesses_.back();
    if (!process.waitForStarted(StartTimeoutMs)) {
        Skip(std::string(name) + " cannot be started: " + process.errorString().toStdString());
        return false;
    }
    for (int waited = 0; waited < StartTimeoutMs; waited += 20) {
        if (process.waitForFinished(20)) {
            Skip(std::string(name) + " ended at once: " + ServerSaid());
            return false;
        }
        if (socket.isEmpty() || QFile::exists(socket))
            return true;
    }
    Skip(std::string(name) + " opened no socket within 5 s");
    return false;
}

bool PacedSoundRig::Pactl(const QStringList& arguments, const QString& outputFile)
{
    const QString program = QStandardPaths::findExecutable("pactl");
    if (program.isEmpty())
        return false;
    auto pactl = Launch(program, arguments, outputFile);
    return pactl->waitForFinished(StartTimeoutMs) && pactl->exitStatus() == QProcess::NormalExit && pactl->exitCode() == 0;
}

// The server's own defaults, as ALSA's: playback into the recorded sink, capture from the
// tone sink's monitor.
bool PacedSoundRig::ChooseServerDefaults()
{
    if (Pactl({"set-default-sink", PlayedSink}) && Pactl({"set-default-source", SignalSink + QString(".monitor")}))
        return true;
    Skip("the server's default sink and source cannot be chosen (is pulseaudio-utils installed?)");
    return false;
}

// Once the defaults are chosen: a stream that was not started on a sink of its own choice
// follows the default sink when it changes, and so would the tone.
bool PacedSoundRig::PlayTone()
{
    if (options_.signal == RigSignal::NoisyAM)
        return PlayThroughAPlayer("PacedSoundRig.NoisyAM");
    return PlayThroughAPlayer("PacedSoundRig.Tones");
}

bool PacedSoundRig::StartPlayer(const char* routine, const char* sink, const QStringList& arguments,
                                std::vector<std::unique_ptr<QProcess>>& processes)
{
    const QString self = QCoreApplication::applicationFilePath();
    const QString pacat = QStandardPaths::findExecutable("pacat");
    auto tone = NewProcess(self);
    auto player = NewProcess(pacat);
    QProcessEnvironment environment = tone->processEnvironment();
    environment.insert(ChildRoutines::Variable, routine);
    tone->setProcessEnvironment(environment);
    tone->setStandardOutputProcess(player.get());
    player->start(pacat, QStringList{"--playback", "--raw", "--device=" + QString(sink), "--format=s16le", "--rate=48000"} +
                             arguments);
    tone->start(self, QStringList{});
    const bool started = player->waitForStarted(StartTimeoutMs) && tone->waitForStarted(StartTimeoutMs);
    processes.push_back(std::move(player));
    processes.push_back(std::move(tone));
    return started;
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
// for its first samples. A sound card's input runs all the time. A listener on the tone
// sink's monitor asks for a short latency, and the rig waits until the sink has woken from the
// long sleep it started with. PulseAudio's sink then runs at a few milliseconds, as a card's
// input does. PipeWire runs each sink's graph at the shortest latency any of its streams asks
// for: the listener asks for more than the program's block, so that the signal's graph runs at
// the block, as a card's does where the program is its only client. (At 20 ms it ran at a
// quarter block, and a stream late for one of those short cycles lost that quarter block of
// its input unseen: a break of the program's input that no other stream showed.)
int PacedSoundRig::ListenerLatencyMs() const
{
    return server_ == SoundServer::PipeWire ? 100 : 20;
}

bool PacedSoundRig::StartListener()
{
    const QString heard = dir_.filePath("signal.heard");
    QFile::remove(heard);
    listener_ = Record(SignalSink + QString(".monitor"), ListenerLatencyMs(), {"--format=s16le", "--rate=48000", "--channels=1"},
                       heard);
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

// A recorder that tells what it does in a log of its own, where one is given.
std::unique_ptr<QProcess> PacedSoundRig::Record(const QString& source, int latencyMs, const QStringList& format,
                                                const QString& file, const QString& log)
{
    const QString program = QStandardPaths::findExecutable("pacat");
    if (program.isEmpty())
        return nullptr;
    QStringList arguments{"--record", "--raw", QString("--latency-msec=%1").arg(latencyMs), "--device=" + source};
    auto process = NewProcess(program);
    if (!log.isEmpty()) {
        arguments << "--verbose";
        process->setStandardErrorFile(log);
    }
    process->setStandardOutputFile(file);
    process->start(program, arguments + format);
    return process->waitForStarted(StartTimeoutMs) ? std::move(process) : nullptr;
}

bool PacedSoundRig::KeepAwake(bool awake)
{
    return !awake_ || awake_->Hold(awake);
}

bool PacedSoundRig::Alive(std::string& lastWords) const
{
    const bool alive = !serverProcesses_.empty() &&
                       std::all_of(serverProcesses_.begin(), serverProcesses_.end(),
                                   [](const auto& process) { return process->state() == QProcess::Running; });
    if (!alive)
        lastWords = ServerSaid();
    return alive;
}

// The end of what the server's processes wrote to their standard error.
std::string PacedSoundRig::ServerSaid() const
{
    std::string said;
    for (const QFileInfo& log : QDir(dir_.path()).entryInfoList({"*.log"}, QDir::Files)) {
        QFile file(log.filePath());
        if (file.open(QIODevice::ReadOnly))
            said += log.fileName().toStdString() + ": " + file.readAll().right(300).toStdString() + "\n";
    }
    return said;
}

std::string PacedSoundRig::PlayingStreams()
{
    return PactlOutput({"list", "sink-inputs"});
}

std::string PacedSoundRig::RecordingStreams()
{
    return PactlOutput({"list", "source-outputs"});
}

bool PacedSoundRig::LoadSink(const char* name)
{
    return skipReason_.empty() && LoadModule(QStringList{"module-null-sink"} + NullSink(name, 1).split(' ')) >= 0;
}

// PipeWire's PulseAudio server has no null source: its null sink makes one when asked for
// a source's class.
int PacedSoundRig::LoadSource(const char* name)
{
    if (!skipReason_.empty())
        return -1;
    const QString description = QString("%1_source").arg(name);
    const QStringList format{QString("rate=%1").arg(SampleRate), "channels=2"};
    if (server_ == SoundServer::PulseAudio)
        return LoadModule(QStringList{"module-null-source", QString("source_name=") + name, "description=" + description} +
                          format);
    return LoadModule(QStringList{"module-null-sink", "media.class=Audio/Source/Virtual", QString("sink_name=") + name,
                                  "sink_properties=device.description=" + description} +
                      format);
}

// The module that made the sink is unloaded: "<index>\tmodule-null-sink\tsink_name=<name> ...".
bool PacedSoundRig::UnloadSink(const char* name)
{
    const QString sinkName = QString("sink_name=%1 ").arg(name);
    for (const QString& line : QString::fromStdString(PactlOutput({"list", "short", "modules"})).split('\n'))
        if (line.contains(sinkName))
            return UnloadModule(line.section('\t', 0, 0).toInt());
    return false;
}

std::string PacedSoundRig::PactlOutput(const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable("pactl");
    if (program.isEmpty() || !skipReason_.empty())
        return {};
    const QString said = dir_.filePath("pactl.out");
    QFile::remove(said);
    if (!Pactl(arguments, said))
        return {};
    QFile file(said);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void PacedSoundRig::KillServer()
{
    for (const std::unique_ptr<QProcess>& process : serverProcesses_) {
        process->kill();
        process->waitForFinished(StopTimeoutMs);
    }
}

// Only a server that still runs: a process that has ended has the id 0, and kill(0, ...) would
// stop or continue every process of this one's group, the servers of a test running beside it
// among them.
bool PacedSoundRig::HoldServer(bool held, Held what)
{
    bool told = false;
    for (const std::unique_ptr<QProcess>& process : serverProcesses_) {
        const auto pid = static_cast<pid_t>(process->processId());
        const bool chosen = what == Held::Server ? IsServer(*process) : IsSessionManager(*process);
        if (chosen && pid > 0)
            told = kill(pid, held ? SIGSTOP : SIGCONT) == 0 || told;
    }
    if (!told || !held)
        return told;
    QElapsedTimer waited;
    waited.start();
    while (!NotHeld(what).empty() && waited.elapsed() < StartTimeoutMs)
        QThread::msleep(1);
    return NotHeld(what).empty();
}

std::string PacedSoundRig::NotHeld(Held what) const
{
    std::string notHeld;
    for (const std::unique_ptr<QProcess>& process : serverProcesses_) {
        const auto pid = static_cast<pid_t>(process->processId());
        if (pid <= 0 || !(what == Held::Server ? IsServer(*process) : IsSessionManager(*process)))
            continue;
        // The state is the first field after the name in parentheses; none where it has gone.
        const QByteArray stat = ReadFile(QString("/proc/%1/stat").arg(pid));
        const qsizetype nameEnd = stat.lastIndexOf(')');
        const char state = nameEnd >= 0 && nameEnd + 2 < stat.size() ? stat[nameEnd + 2] : '-';
        if (state != 'T')
            notHeld += (notHeld.empty() ? "" : ", ") + QFileInfo(process->program()).fileName().toStdString() + " " +
                       std::to_string(pid) + " in state " + state;
    }
    return notHeld;
}

bool PacedSoundRig::IsServer(const QProcess& process)
{
    const QString name = QFileInfo(process.program()).fileName();
    return name == "pulseaudio" || name == "pipewire" || name == "pipewire-pulse";
}

bool PacedSoundRig::IsSessionManager(const QProcess& process)
{
    return QFileInfo(process.program()).fileName() == "wireplumber";
}

double PacedSoundRig::ServerCpuSeconds() const
{
    double seconds = 0;
    for (const std::unique_ptr<QProcess>& process : serverProcesses_) {
        if (IsServer(*process))
            seconds += ProcessCpuSeconds(process->processId());
    }
    return seconds;
}

bool PacedSoundRig::SuspendInput(bool suspended)
{
    return skipReason_.empty() && Pactl({"suspend-sink", SignalSink, suspended ? "1" : "0"});
}

void PacedSoundRig::Skip(const std::string& why)
{
    if (skipReason_.empty())
        skipReason_ = "No paced sound server: " + why;
}

// A description by which the programs that list the server's devices show the sink.
QString PacedSoundRig::NullSink(const char* name, int channels, int32_t rate)
{
    return QString("sink_name=%1 rate=%2 channels=%3 sink_properties=device.description=%1_sink")
        .arg(name)
        .arg(rate)
        .arg(channels);
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
