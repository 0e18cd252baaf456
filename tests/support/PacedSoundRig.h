#pragma once

#include "support/ScopedAlsaHome.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A sound server that runs at real-time pace, as on a desktop: a private PulseAudio daemon
// on a socket in its own temporary folder, with two null sinks. The daemon plays a sine
// tone into the first, whose monitor is ALSA's "default" capture device (the tone on both
// channels); ALSA's "default" playback device plays into the second, whose monitor the rig
// records. Where no daemon can be started, SkipReason() says why.
class PacedSoundRig
{
public:
    static constexpr int32_t SampleRate = 48000;

    explicit PacedSoundRig(int32_t toneHz = 13000);
    ~PacedSoundRig();
    PacedSoundRig(const PacedSoundRig&) = delete;
    PacedSoundRig& operator=(const PacedSoundRig&) = delete;

    // Empty when the rig runs.
    const std::string& SkipReason() const { return skipReason_; }

    // Records what is played from now on, until Played() is called.
    bool StartRecording();
    // The mono samples played since StartRecording.
    std::vector<int16_t> Played();

private:
    bool StartDaemon(int32_t toneHz);
    bool ReachableThroughAlsa();
    void StartListeners();
    static void Stop(std::unique_ptr<QProcess>& process);
    std::unique_ptr<QProcess> Record(const QString& source, const QStringList& format, const QString& file);
    std::unique_ptr<QProcess> Launch(const QString& program, const QStringList& arguments,
                                     const QString& outputFile = {});
    void Skip(const std::string& why);

    QTemporaryDir dir_;
    std::unique_ptr<ScopedAlsaHome> home_;
    std::unique_ptr<QProcess> daemon_;
    std::vector<std::unique_ptr<QProcess>> listeners_;
    std::unique_ptr<QProcess> recorder_;
    std::string skipReason_;
};

// Where the played samples stay loud at every moment between the first and the last loud
// sample: the first quiet stretch of windowSamples, as a sample index, or -1 for none
// (also -1 when nothing loud was played at all; LoudSpan tells).
int64_t FirstDropout(const std::vector<int16_t>& played, size_t windowSamples, int16_t loud);
// Samples from the first to the last loud sample, 0 for none.
size_t LoudSpan(const std::vector<int16_t>& played, int16_t loud);
