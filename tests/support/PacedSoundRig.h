#pragma once

#include "support/ScopedAlsaHome.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// A sound server that runs at real-time pace, as on a desktop: a private PulseAudio daemon,
// or a private PipeWire with its PulseAudio server (the default of Debian 12's desktops),
// on a socket in its own temporary folder, with three null sinks (and, where asked for, a
// spare one between the first two, which a test may take away). The rig's signal (see
// RigSignal) plays into the first, whose monitor is the server's and ALSA's "default" capture
// device (the signal on both channels); a listener keeps that sink running at a short latency, as a sound card's input
// runs. The server's and ALSA's "default" playback device plays into the second sink, and a
// recorder that asks for a latency of 2 s, as browsers and music players ask of a desktop's
// sink, records its monitor: that sink then runs at whatever latency the playing program
// asks for, as on a desktop. A reference stream plays a 1 kHz tone into a third sink as the
// program plays its sound (the same delay and requests), and while the rig records, the first
// and third sinks' monitors are recorded too, beside the second's, the third at the second's
// latency: where the program's sound breaks, they tell whether its input or the server broke
// it. PipeWire's cycles are 1024 frames (21 ms) at the shortest (see ShortestCycle). The rig sets
// the server up, listens and records through a socket of its own, and opens the clients'
// socket once everything is in place, as a desktop's server that starts again is found with
// its devices. Each sink's description is its name followed by "_sink", so that a program
// which lists the server's devices shows them. The daemon's socket and
// ALSA's configuration are in the rig's folder, which HOME points at while the rig lives,
// so that programs started meanwhile find them. Where no daemon can be started,
// SkipReason() says why.
class AwakeSink;

enum class SoundServer { PulseAudio, PipeWire };

// How a test names the server it runs on.
inline void PrintTo(SoundServer server, std::ostream* out)
{
    *out << (server == SoundServer::PulseAudio ? "PulseAudio" : "PipeWire");
}

// What plays into the first sink: the tone with a second one beside it, which together repeat
// only every 2352 samples, so that a slip of any length up to a block shows in one of them; or
// the tone as the carrier of an AM signal in noise, which every mode of the receiver turns
// into sound.
enum class RigSignal { Tones, NoisyAM };

// How a rig is set up beyond its server.
struct RigOptions
{
    // The played sink's rate, which the server converts the program's sound to, as a USB
    // headset's sink at 44.1 kHz does.
    int32_t playedRate = 48000;
    // A spare sink between the two, ahead of the played one in the server's list, which a
    // test may take away.
    bool spareSinkAhead = false;
    RigSignal signal = RigSignal::Tones;
    // The recorder's latency on the played sink's monitor, and whether that sink is kept from
    // playing far ahead while no stream plays into it (PulseAudio, see KeepAwake). Not kept so,
    // it runs at the shortest latency its streams ask for: at the recorder's while the program
    // does not play, or at the server's own with no recording at all, as a desktop's sink does
    // for a program that starts to play while a recorder, or nothing else, listens.
    int32_t recorderLatencyMs = 2000;
    bool keepPlayedSinkAwake = true;
    // PulseAudio's played sink takes back what it rendered ahead, as far as the shortest latency
    // its streams ask for, when a new stream's sound comes; it then runs at up to 2 s while no
    // stream plays. Its recording is then no true account of what played: the program's trace
    // and the server's streams tell what happened.
    bool playedSinkRewinds = false;
};

class PacedSoundRig
{
public:
    static constexpr int32_t SampleRate = 48000;
    static constexpr int32_t ToneHz = 13000;
    // 12 kHz plus 2 cycles in 49 samples: 57 cycles in 196 samples, beside the tone's 13 in 48.
    static constexpr double SecondToneHz = 12000.0 + 2.0 * SampleRate / 49;
    static constexpr size_t TonesPeriod = 2352;   // samples: 49 of the tone's periods, 12 of the second's
    // The sinks' names.
    static constexpr const char* SignalSink = "zoz_signal";
    static constexpr const char* PlayedSink = "zoz_played";
    // Made between the two where asked for: a sink that comes ahead of the played one in the
    // server's list, which a test may take away.
    static constexpr const char* SpareSink = "zoz_spare";
    // Where the reference stream plays, last in the server's list.
    static constexpr const char* ReferenceSink = "zoz_reference";

    explicit PacedSoundRig(SoundServer server = SoundServer::PulseAudio, RigOptions options = {});
    ~PacedSoundRig();
    PacedSoundRig(const PacedSoundRig&) = delete;
    PacedSoundRig& operator=(const PacedSoundRig&) = delete;

    // Empty when the rig runs.
    const std::string& SkipReason() const { return skipReason_; }
    // The sound server still runs; otherwise what it said last.
    bool Alive(std::string& lastWords) const;

    // Records what is played from now on, with the rig's signal and the reference stream,
    // until Played() is called; false with why. Unless the program may play already, nothing
    // may play into the recorded sink before it.
    bool StartRecording(std::string& failure, bool silentBefore = true);
    // Seconds since StartRecording, which is where the recording is now.
    double RecordingSeconds() const { return static_cast<double>(rigClock_.nsecsElapsed() - recordingStartNs_) / 1e9; }
    // The mono samples played from StartRecording up to now (fewer only where the recorder fell
    // behind by seconds); the recordings end.
    std::vector<int16_t> Played();
    // How far the played sink's recording ran ahead of the clock as Played() was called: what
    // it held beyond the time since its stream started, in seconds (below 0: what it still had
    // to deliver). A sink that plays ahead hands its monitor's recording on that early.
    double AheadOfTheClockSeconds() const { return aheadOfTheClockSeconds_; }
    // Where the rig's own signal broke on its way into the server, as its sink's monitor was
    // recorded, in seconds of the recording: a server that is held up (a machine busy
    // elsewhere) may drop some of it, or play a gap, which any program receiving it then plays
    // as it came. After Played().
    std::vector<double> InputBreaks() const;
    // Where the reference stream broke, as its sink's monitor was recorded, in seconds of the
    // recording: the server's own breaks of a stream played as the program plays. After Played().
    std::vector<double> ReferenceBreaks() const;

    // PulseAudio's played sink is kept from playing far ahead while no stream plays into it,
    // so that a new stream plays at once, as on a desktop's sink (see AwakeSink). Held, it is
    // kept so even while a stream plays: for a time when that stream may end, and another
    // start, such as a power cycle. False when it cannot be.
    bool KeepAwake(bool held);

    // What the server says of the streams that play now (pactl list sink-inputs), empty
    // when it cannot be asked.
    std::string PlayingStreams();
    // What the server says of the streams that record now (pactl list source-outputs), empty
    // when it cannot be asked.
    std::string RecordingStreams();

    // A mono null sink of that name (described as the name followed by "_sink") is loaded
    // into the server, or taken out again, as a desktop does when a headset comes and goes.
    bool LoadSink(const char* name);
    bool UnloadSink(const char* name);
    // A silent stereo source of that name (described as the name followed by "_source"), as a
    // microphone is: the index of the module that made it, -1 when it cannot be made.
    int LoadSource(const char* name);

    // A suspended input delivers nothing at all, as an idle desktop source does.
    bool SuspendInput(bool suspended);
    // Kills the server's processes, as a crash would.
    void KillServer();
    // Stops the server (its daemon, or PipeWire and its PulseAudio server) with SIGSTOP, as
    // a hung server is, or lets it go on with SIGCONT; false when it cannot. Or PipeWire's
    // session manager alone: its server then answers, but starts no new stream (and takes no
    // new client).
    // A hold returns once the kernel shows every process it stopped as stopped.
    enum class Held { Server, SessionManager };
    bool HoldServer(bool held, Held what = Held::Server);
    // The processes a hold stops that are not stopped now (running, or ended though the rig
    // did not kill them), each with its state: where a hold of the rig's broke. Empty when it
    // holds.
    std::string NotHeld(Held what = Held::Server) const;
    // Starts the killed server again as it was first started (its sinks, defaults, tone);
    // false with why. The recording, if any, ended with the server.
    bool RestartServer(std::string& failure);
    // Seconds since the server last opened its socket to clients, with its sinks in place.
    double SecondsSinceServerStarted() const { return static_cast<double>(serverClock_.nsecsElapsed()) / 1e9; }
    // A module of the server loaded with pactl: its index, -1 when it cannot be; unloaded.
    int LoadModule(const QStringList& arguments);
    bool UnloadModule(int index);
    // CPU seconds the sound server has used so far: PulseAudio's daemon, or PipeWire's
    // server and its PulseAudio server (not its session manager, nor the rig's own players).
    double ServerCpuSeconds() const;

private:
    static constexpr int StartTimeoutMs = 5000;

    QString SocketPath() const;
    QString ControlSocketPath() const;
    bool StartServer();
    bool OpenToClients();
    bool StartPulseAudio();
    bool StartPipeWire();
    bool ShortestCycle(int frames);
    bool StartServerProcess(const char* program, const QStringList& arguments, const QString& socket);
    bool Pactl(const QStringList& arguments, const QString& outputFile = {});
    // What pactl writes; empty when it cannot be asked.
    std::string PactlOutput(const QStringList& arguments);
    bool PlayTone();
    bool PlayThroughAPlayer(const char* routine);
    // The routine's output played by pacat with the arguments into the sink; the two processes
    // are added to those given, false when they cannot be started.
    bool StartPlayer(const char* routine, const char* sink, const QStringList& arguments,
                     std::vector<std::unique_ptr<QProcess>>& processes);
    bool PlayReference();
    bool ChooseServerDefaults();
    bool ReachableThroughAlsa();
    int ListenerLatencyMs() const;
    bool StartListener();
    // PulseAudio's daemon, or PipeWire's server or its PulseAudio server.
    static bool IsServer(const QProcess& process);
    static bool IsSessionManager(const QProcess& process);
    static QString NullSink(const char* name, int channels, int32_t rate = SampleRate);
    static bool WaitForData(const QString& file, QProcess& recorder);
    std::string ServerSaid() const;
    static void Stop(std::unique_ptr<QProcess>& process);
    static void StopAll(std::vector<std::unique_ptr<QProcess>>& processes);
    std::unique_ptr<QProcess> Record(const QString& source, int latencyMs, const QStringList& format, const QString& file,
                                     const QString& log = {});
    std::unique_ptr<QProcess> Launch(const QString& program, const QStringList& arguments,
                                     const QString& outputFile = {});
    std::unique_ptr<QProcess> NewProcess(const QString& program);
    void Skip(const std::string& why);

    QTemporaryDir dir_;
    const SoundServer server_;
    const RigOptions options_;
    std::unique_ptr<ScopedAlsaHome> home_;
    std::vector<std::unique_ptr<QProcess>> serverProcesses_;   // in the order started
    std::unique_ptr<QProcess> listener_;
    // The monitors recorded, each by a recorder of its own.
    enum Recorded { Output, Input, Reference, RecordedSinks };
    struct Recording
    {
        std::unique_ptr<QProcess> Recorder;
        qint64 StartNs = -1;   // when its stream was made, by the rig's clock; -1 before
    };
    QString RecordingFile(Recorded sink, const char* ending = ".raw") const;
    // The bytes the recording of the sink holds up to that moment of the rig's clock.
    qint64 BytesUpTo(Recorded sink, qint64 ns) const;
    bool StartRecorders();
    void StopRecorders();
    // Where the recording of the sink broke, with the period its signal repeats at, in seconds
    // of the played sink's recording, from where the signal starts in it.
    std::vector<double> Breaks(Recorded sink, size_t period) const;
    std::array<Recording, RecordedSinks> recordings_;
    std::vector<std::unique_ptr<QProcess>> reference_;   // its tone and its player
    std::unique_ptr<AwakeSink> awake_;   // PulseAudio's played sink
    QElapsedTimer rigClock_;
    qint64 recordingStartNs_ = 0;
    double aheadOfTheClockSeconds_ = 0;
    QElapsedTimer serverClock_;
    std::string skipReason_;
};

// The RMS of each whole block of the samples.
std::vector<double> BlockLevels(const std::vector<int16_t>& samples, size_t blockSamples);
