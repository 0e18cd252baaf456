#include "support/AwakeSink.h"
#include "support/ChildRoutines.h"
#include "support/PacedSoundRig.h"
#include "support/RawSamples.h"
#include "support/ToneBreakJudge.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>

// The recordings of the played sink, of the signal's sink and of the reference stream's sink.
namespace {

// What browsers and music players ask of a desktop's sink: far above what a playing program
// asks for, so that the sink runs at the program's latency. A recorder gets its samples in
// bites of up to this long, some time after they were played. The played sink's recorder asks
// for what the test chooses.
constexpr int RecorderLatencyMs = 2000;
// How long after they were played a recorder of that latency may deliver the last samples: a
// bite of its latency, as long again that the server may hold them before it sends them, and a
// little more for a busy machine.
int RecorderLagMs(int latencyMs)
{
    return 2 * latencyMs + 2000;
}
// The rig's players repeat their signal exactly; a recording that differs from a period
// before by more than this breaks.
constexpr int RepeatTolerance = 2;
constexpr size_t TonePeriod = PacedSoundRig::SampleRate / 1000;   // the reference's
const QStringList RecordedFormat{"--format=s16le", "--rate=48000", "--channels=1"};

// The reference: a 1 kHz tone at -12 dBFS, as the program plays the signal, 48 samples a cycle.
const bool referenceRoutine = ChildRoutines::Register("PacedSoundRig.Reference", [] {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < 100 * TonePeriod; ++i)
        samples.push_back(static_cast<int16_t>(
            std::lround(8231.0 * std::sin(2.0 * M_PI * static_cast<double>(i) / static_cast<double>(TonePeriod)))));
    while (std::fwrite(samples.data(), sizeof(int16_t), samples.size(), stdout) == samples.size()) {
    }
    return 0;
});

} // namespace

QString PacedSoundRig::RecordingFile(Recorded sink, const char* ending) const
{
    static const char* const names[RecordedSinks] = {"played", "signal", "reference"};
    return dir_.filePath(QString(names[sink]) + ending);
}

// Played as the program plays its sound: three blocks' delay, asked for half a block at a time.
bool PacedSoundRig::PlayReference()
{
    const bool playing = !reference_.empty() && std::all_of(reference_.begin(), reference_.end(), [](const auto& process) {
        return process->state() == QProcess::Running;
    });
    if (playing)
        return true;
    StopAll(reference_);
    return StartPlayer("PacedSoundRig.Reference", ReferenceSink,
                       {"--channels=1", "--latency-msec=128", "--process-time-msec=21"}, reference_);
}

bool PacedSoundRig::StartRecording(std::string& failure, bool silentBefore)
{
    if (!skipReason_.empty())
        return failure = skipReason_, false;
    if (!PlayReference())
        return failure = "the reference stream cannot be played", false;
    // The recording begins where the clock does, which starts with the recorder's stream: the
    // sink is kept from playing far ahead meanwhile (see AwakeSink), on PipeWire by a
    // short-lived listener while the recorder's stream starts.
    const QString heard = dir_.filePath("played.heard");
    std::unique_ptr<QProcess> listener;
    if (!awake_) {
        listener = Record(PlayedSink + QString(".monitor"), 20, RecordedFormat, heard);
        if (!listener || !WaitForData(heard, *listener))
            return failure = "the played sink's monitor delivers nothing", false;
    } else if (!awake_->Hold(true)) {
        return failure = "the played sink cannot be kept awake", false;
    }
    const bool recording = StartRecorders();
    recordingStartNs_ = recordings_[Output].StartNs >= 0 ? recordings_[Output].StartNs : rigClock_.nsecsElapsed();
    if (!recording)
        return failure = "the recorders' streams were not created within 5 s", false;
    Stop(listener);
    // Nothing plays into the recorded sink yet.
    int loudest = awake_ ? awake_->Loudest() : 0;
    for (const int16_t sample : ReadRawSamples(heard))
        loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
    if (silentBefore && loudest != 0)
        return failure = "something plays into the recorded sink before the program: a sample of " +
                         std::to_string(loudest),
               false;
    return true;
}

// Each recording starts where its recorder says its stream was made: their starts are then
// apart by that much, to within the few milliseconds between looks.
bool PacedSoundRig::StartRecorders()
{
    static const char* const monitors[RecordedSinks] = {PlayedSink, SignalSink, ReferenceSink};
    for (int sink = Output; sink < RecordedSinks; ++sink) {
        const auto recorded = static_cast<Recorded>(sink);
        QFile::remove(RecordingFile(recorded));
        QFile::remove(RecordingFile(recorded, ".log"));
        recordings_[sink].StartNs = -1;
        // The reference stream's sink runs at the played sink's latency, where one is asked
        // for: its cycles are as long as the played sink's, so that a stall of the whole server
        // long enough to cost the program's stream a cycle shows in its recording too.
        const int playedMs = options_.recorderLatencyMs;
        const int latencyMs = recorded == Output ? playedMs
                              : recorded == Reference && playedMs > 0 ? playedMs
                                                                      : RecorderLatencyMs;
        recordings_[sink].Recorder = Record(monitors[sink] + QString(".monitor"), latencyMs, RecordedFormat,
                                            RecordingFile(recorded), RecordingFile(recorded, ".log"));
        if (!recordings_[sink].Recorder)
            return false;
    }
    const qint64 deadline = rigClock_.nsecsElapsed() + qint64{StartTimeoutMs} * 1000000;
    bool waiting = true;
    while (waiting && rigClock_.nsecsElapsed() < deadline) {
        waiting = false;
        for (int sink = Output; sink < RecordedSinks; ++sink) {
            Recording& recording = recordings_[sink];
            if (recording.StartNs >= 0)
                continue;
            QFile said(RecordingFile(static_cast<Recorded>(sink), ".log"));
            if (said.open(QIODevice::ReadOnly) && said.readAll().contains("Stream successfully created"))
                recording.StartNs = rigClock_.nsecsElapsed();
            else
                waiting = recording.Recorder->state() == QProcess::Running;
        }
        if (waiting)
            recordings_[Output].Recorder->waitForFinished(2);
    }
    return std::all_of(recordings_.begin(), recordings_.end(), [](const Recording& recording) { return recording.StartNs >= 0; });
}

void PacedSoundRig::StopRecorders()
{
    for (Recording& recording : recordings_)
        Stop(recording.Recorder);
}

qint64 PacedSoundRig::BytesUpTo(Recorded sink, qint64 ns) const
{
    return static_cast<qint64>(static_cast<double>(ns - recordings_[sink].StartNs) / 1e9 * SampleRate) * 2;
}

// The recorders are stopped only once they have written all that was played up to now: what
// they have not written yet would be lost. They record on while the rig waits for the slowest
// (PipeWire hands a recorder at 2 s its samples in bites of 0.68 s, well after they played),
// and a recorder read at a short latency would meanwhile add the time waited to its recording,
// which would then hold more than the time that passed: each recording is cut where now is.
std::vector<int16_t> PacedSoundRig::Played()
{
    if (!recordings_[Output].Recorder)
        return {};
    const qint64 now = rigClock_.nsecsElapsed();
    const qint64 playedBytesNow = QFileInfo(RecordingFile(Output)).size();
    QElapsedTimer waited;
    waited.start();
    for (int sink = Output; sink < RecordedSinks; ++sink) {
        const auto recorded = static_cast<Recorded>(sink);
        while (recordings_[sink].Recorder && QFileInfo(RecordingFile(recorded)).size() < BytesUpTo(recorded, now) &&
               waited.elapsed() < RecorderLagMs(std::max(options_.recorderLatencyMs, RecorderLatencyMs)))
            recordings_[sink].Recorder->waitForFinished(20);
    }
    StopRecorders();
    aheadOfTheClockSeconds_ = static_cast<double>(playedBytesNow - BytesUpTo(Output, now)) / 2 / SampleRate;
    for (int sink = Output; sink < RecordedSinks; ++sink) {
        QFile recording(RecordingFile(static_cast<Recorded>(sink)));
        if (recording.size() > BytesUpTo(static_cast<Recorded>(sink), now))
            recording.resize(BytesUpTo(static_cast<Recorded>(sink), now));
    }
    return ReadRawSamples(RecordingFile(Output));
}

std::vector<double> PacedSoundRig::Breaks(Recorded sink, size_t period) const
{
    const std::vector<int16_t> samples = ReadRawSamples(RecordingFile(sink));
    const auto start = std::find_if(samples.begin(), samples.end(), [](int16_t sample) { return sample != 0; });
    const auto skipped = static_cast<double>(start - samples.begin()) / SampleRate;
    const double startSeconds = static_cast<double>(recordings_[sink].StartNs - recordingStartNs_) / 1e9 + skipped;
    std::vector<double> breaks = ToneBreakJudge::RepeatingSignalBreaks(
        std::span<const int16_t>(samples).subspan(static_cast<size_t>(start - samples.begin())), period, RepeatTolerance,
        SampleRate);
    for (double& at : breaks)
        at += startSeconds;
    return breaks;
}

// The two tones repeat every 2352 samples, the noisy AM signal every second.
std::vector<double> PacedSoundRig::InputBreaks() const
{
    if (options_.signal == RigSignal::Tones)
        return Breaks(Input, TonesPeriod);
    return Breaks(Input, static_cast<size_t>(SampleRate));
}

// The reference's tone starts in silence where the rig has just started to play it.
std::vector<double> PacedSoundRig::ReferenceBreaks() const
{
    return Breaks(Reference, TonePeriod);
}
