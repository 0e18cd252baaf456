#pragma once

#include "platform/SoundBackend.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

class QELVODX8;

// Brings the sound-card engine's sound back after its devices broke under it: a stream that
// failed, a device that went away, a sound server that ended or stopped answering. The
// backend tells of each on the main thread; an attempt lets go of both devices and opens
// them again (QELVODX8::Reopen), at once and then after a growing pause (50 ms, doubling up
// to half a second), and at once whenever the server answers again, until sound flows (the
// playback device took a block). A device the user chose that went away is replaced by the
// server's "default" device until the user next starts the sound or applies the devices;
// the choice itself is kept.
//
// When the sound has not come back within GiveUpSeconds of the loss (of the server's last
// answer, for one that stopped answering; the clock starts afresh whenever it answers
// again), the engine stops for good, SoundLost is raised (the receiver is switched off),
// and one message box names the device or the server that is missing and says what to do.
// Failures met while the sound is being brought back are not shown: they are the reason
// that box gives.
//
// States and events; "at once" and "after the pause" are the next attempt's time. An attempt
// opens the devices, which lets the window's events run: what they bring while it is
// Opening is noted and acted on when it returns.
//
//   state     | loss, removal,   | server back      | timer           | Off click | On click        | sound flows
//             | hang, failure(1) |                  |                 |           |                 |
//   ----------+------------------+------------------+-----------------+-----------+-----------------+-------------
//   Idle, off | Idle (traced)    | Idle (traced)    | -               | Idle      | Idle, started(2)| -
//   Idle, on  | Waiting, at once | Waiting, at once | playback watch  | Idle, off | Idle            | Idle
//   Waiting   | Waiting (3)      | Waiting, at once,| give up (4), or | Idle, off | Idle, the user's| Waiting
//             |                  | clock afresh     | attempt:Opening |           | start(2)        |
//   Opening   | noted            | noted, clock     | -               | noted     | noted           | -
//             |                  | afresh           |                 |           |                 |
//   Checking  | Waiting, at once | Waiting, at once,| give up (4)     | Idle, off | Idle            | Idle: the
//             | (failure: after  | clock afresh     |                 |           |                 | sound is back
//             | the pause)       |                  |                 |           |                 |
//
//   the attempt returns (Opening ->) | devices running                  | devices not running
//   ---------------------------------+----------------------------------+---------------------------------
//   nothing noted                    | Checking                         | Waiting, after the pause
//   last noted: a loss               | Waiting, after the pause         | Waiting, after the pause
//   last noted: server back          | Checking                         | Waiting, at once
//   noted Off (last click)           | devices let go of, Idle, off     | Idle, off
//   noted On (last click)            | devices let go of, Idle, the user's start (2)
//
// (1) A failure the engine would show, met while it runs after sound has flowed; one met as
//     the user starts the sound (before any has flowed) stops the engine and is shown at once,
//     and SoundLost switches the receiver off. A hang is a server lost "not answering"; the
//     clock starts AgoSeconds before its report.
// (2) A start as the user's: the chosen devices, a failure shown at once and the receiver
//     switched off.
// (3) The next attempt keeps its time. In every state a hang moves the clock back to the
//     server's last answer, and a removal puts "default" in the removed device's place.
// (4) GiveUpSeconds after the loss: the devices are let go of, SoundLost, one box; Idle, off.
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

    enum class State { Idle, Waiting, Opening, Checking };

    explicit SoundRecovery(QELVODX8& engine);

    void SoundStateChanged(const SoundStateEvent& event) override;

    State CurrentState() const { return state_; }
    // The sound is lost and being brought back; the receiver counts as running meanwhile.
    bool Active() const { return state_ != State::Idle; }
    // What the timer does: the next attempt, or the end of the wait.
    void Step();
    // What the watch does every WatchMs: a stalled playback device is opened again.
    void WatchPlayback();

    // The engine's hooks. A failure the engine would show: taken over (and true) while the
    // sound is being brought back, or while it runs after sound has flowed; one met as the
    // user starts the sound stops the engine and is shown at once (false).
    bool TakeOver(const std::string& routine, int32_t error, const std::string& why);
    // The playback device took a block: the sound flows.
    void PlaybackTook();
    // The user's clicks, told before the engine acts on them.
    void UserStarts();
    void UserStops();
    // The name to open for a device of the direction: the chosen one, or "default" in its place.
    std::string DeviceToOpen(SoundDirection direction, const std::string& chosen) const;
    // "default" stands in for the chosen device of the direction, which went away.
    bool StandsIn(SoundDirection direction) const { return replaced_[static_cast<size_t>(direction)]; }

signals:
    // The sound could not be brought back, or a start the user made late did not start: the
    // engine has stopped.
    void SoundLost();

private:
    enum class Met { Nothing, Loss, Back };
    enum class Click { None, Off, On };

    void Lost(const SoundStateEvent& event);
    void Back(const SoundStateEvent& event);
    void Begin(const SoundStateEvent& cause);
    void Attempt();
    void AttemptReturned(Met met, Click click);
    void StartForTheUser();
    void GiveUp();
    void ToIdle();
    bool SoundOn() const;
    void ScheduleNext(int pauseMs);
    int NextPause();
    std::string LossText() const;

    QELVODX8& engine_;
    QTimer timer_;
    QTimer watch_;
    State state_ = State::Idle;
    Met metWhileOpening_ = Met::Nothing;
    Click clickWhileOpening_ = Click::None;
    bool soundFlowed_ = false;       // the playback device took sound since the user started it
    bool userStopped_ = false;       // the user's last click was Off
    int pauseMs_ = 0;
    double lostAt_ = 0;              // when the sound was lost, monotonic seconds
    double since_ = 0;               // the give-up clock's start: the loss, or the server's last answer
    SoundStateEvent cause_;          // the first failure
    std::string lastWhy_;            // the last failure met while bringing it back
    bool replaced_[2] = {false, false};   // the chosen device is gone: "default" stands in
};
