#pragma once

#include "platform/SoundBackend.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

class QELVODX8;

// Brings the sound-card engine's sound back after its devices broke under it: a stream that
// failed, a device that went away, a sound server that ended. The backend tells of each on
// the main thread; the engine lets go of both devices and opens them again, at once and
// then after a growing pause (50 ms, doubling up to half a second), and at once when the
// server answers again, until sound flows (the playback device took a block). A device the
// user chose that went away is replaced by the server's "default" device until the user
// next starts the sound or applies the devices; the choice itself is kept.
//
// When the sound has not come back within GiveUpSeconds of the first failure, the engine
// stops for good, SoundLost is raised (the receiver is switched off), and one message box
// names the device or the server that is missing and says what to do. Failures met while
// the sound is being brought back are not shown: they are the reason that box gives.
//
// It also watches a running playback device that keeps its own pace: one that has taken
// nothing for seconds is stalled whether or not capture delivers.
class SoundRecovery : public QObject, public SoundStateSink
{
    Q_OBJECT

public:
    static constexpr int GiveUpSeconds = 10;
    static constexpr int FirstPauseMs = 50;
    static constexpr int LongestPauseMs = 500;
    static constexpr int WatchMs = 1000;

    explicit SoundRecovery(QELVODX8& engine);

    void SoundStateChanged(const SoundStateEvent& event) override;

    // The sound is lost and being brought back; the receiver counts as running meanwhile.
    bool Active() const { return active_; }
    // What the timer does: the next attempt, or the end of the wait.
    void Step();
    // What the watch does every WatchMs: a stalled playback device is opened again.
    void WatchPlayback();

    // The engine's hooks. A failure the engine would show: taken over (and true) while the
    // sound is being brought back, or while it runs after sound has flowed; one met as the
    // user starts the sound stops the engine and is shown at once (false).
    bool TakeOver(const std::string& routine, int32_t error, const std::string& why);
    // The playback device took a block: the sound flows.
    void PlaybackTook()
    {
        soundFlowed_ = true;
        if (active_)
            SoundFlows();
    }
    // The user stops the sound: nothing is brought back, and the chosen devices hold again.
    void Cancel();
    // The name to open for a device of the direction: the chosen one, or "default" in its place.
    std::string DeviceToOpen(SoundDirection direction, const std::string& chosen) const;
    // "default" stands in for the chosen device of the direction, which went away.
    bool StandsIn(SoundDirection direction) const { return replaced_[static_cast<size_t>(direction)]; }

signals:
    // The sound could not be brought back: the engine has stopped.
    void SoundLost();

private:
    void Begin(const SoundStateEvent& cause);
    void Attempt();
    void SoundFlows();
    void GiveUp();
    void LetGoOfDevices();
    void ScheduleNext(int pauseMs);
    std::string LossText() const;

    QELVODX8& engine_;
    QTimer timer_;
    QTimer watch_;
    bool active_ = false;
    bool attempting_ = false;
    bool restartNeeded_ = false;     // what runs now broke again
    bool soundFlowed_ = false;       // the playback device took sound since the user started it
    int pauseMs_ = 0;
    double since_ = 0;               // when the sound was lost, monotonic seconds
    uint32_t cancels_ = 0;
    SoundStateEvent cause_;          // the first failure
    std::string lastWhy_;            // the last failure met while bringing it back
    bool replaced_[2] = {false, false};   // the chosen device is gone: "default" stands in
};
