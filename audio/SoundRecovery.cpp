#include "audio/SoundRecovery.h"

#include "audio/QELVODX8.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* DefaultDevice = "default";
using Kind = SoundStateEvent::Kind;

std::string Describe(const SoundStateEvent& event)
{
    const std::string device = std::string(DirectionName(event.Direction)) + " device \"" + event.Device + "\"";
    const std::string why = event.Why.empty() ? std::string() : " (" + event.Why + ")";
    switch (event.What) {
    case Kind::StreamFailed: return device + " failed" + why;
    case Kind::DeviceRemoved: return device + " went away" + why;
    case Kind::ServerLost: return "the sound server " + event.Device + " went away" + why;
    case Kind::ServerBack: return "the sound server " + event.Device + " answers again";
    }
    return {};
}

void Trace(const std::string& line) { AddLog("QELVODX8.Recovery:" + line); }

std::string Seconds(double seconds) { return QString::number(seconds, 'f', 3).toStdString(); }

} // namespace

SoundRecovery::SoundRecovery(QELVODX8& engine) : engine_(engine)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
    watch_.setInterval(WatchMs);
    connect(&watch_, &QTimer::timeout, this, [this] { WatchPlayback(); });
    watch_.start();
}

void SoundRecovery::SoundStateChanged(const SoundStateEvent& event)
{
    if (event.What == Kind::ServerBack)
        Back(event);
    else
        Lost(event);
}

// A stream failed, a device went away, the server ended or stopped answering.
void SoundRecovery::Lost(const SoundStateEvent& event)
{
    const std::string what = Describe(event);
    if (state_ == State::Idle && !SoundOn()) {
        Trace(what + ", while the sound is off");
        return;
    }
    if (event.What == Kind::DeviceRemoved && event.Device != DefaultDevice &&
        !replaced_[static_cast<size_t>(event.Direction)]) {
        replaced_[static_cast<size_t>(event.Direction)] = true;
        Trace(what + ", the sound server's \"default\" device takes its place until the sound is next started");
    } else if (state_ != State::Idle) {
        Trace(what);
    }
    if (state_ == State::Idle)
        Begin(event);
    // A server that stopped answering was lost when it last answered.
    const double lastAnswer = QELVODX8::MonotonicSeconds() - std::max(event.AgoSeconds, 0.0);
    since_ = std::min(since_, lastAnswer);
    lostAt_ = std::min(lostAt_, lastAnswer);
    if (state_ == State::Opening) {
        metWhileOpening_ = Met::Loss;
        return;
    }
    // Waiting already, the next attempt keeps its time, but not beyond the end of the wait.
    const bool attemptDue = state_ == State::Waiting && timer_.isActive();
    state_ = State::Waiting;
    ScheduleNext(attemptDue ? timer_.remainingTime() : 0);
}

// The server answers again: what was lost with it is tried at once, on a fresh clock.
void SoundRecovery::Back(const SoundStateEvent& event)
{
    const std::string what = Describe(event);
    if (state_ == State::Idle && !SoundOn()) {
        Trace(what);
        return;
    }
    Trace(what + ", the sound is brought back now");
    if (state_ == State::Idle) {
        Begin(event);
        return;
    }
    since_ = QELVODX8::MonotonicSeconds();
    pauseMs_ = 0;
    if (state_ == State::Opening) {
        metWhileOpening_ = Met::Back;
        return;
    }
    state_ = State::Waiting;
    ScheduleNext(0);
}

void SoundRecovery::Begin(const SoundStateEvent& cause)
{
    state_ = State::Waiting;
    cause_ = cause;
    lastWhy_ = cause.Why;
    since_ = lostAt_ = QELVODX8::MonotonicSeconds();
    pauseMs_ = 0;
    Trace(Describe(cause) + ", the sound is brought back");
    ScheduleNext(0);
}

// The next attempt no later than the end of the wait, so that the end comes on time.
void SoundRecovery::ScheduleNext(int pauseMs)
{
    const double left = since_ + GiveUpSeconds - QELVODX8::MonotonicSeconds();
    const int leftMs = static_cast<int>(std::ceil(std::max(left, 0.0) * 1000));
    timer_.start(std::min(pauseMs, leftMs));
}

int SoundRecovery::NextPause()
{
    pauseMs_ = pauseMs_ == 0 ? FirstPauseMs : std::min(2 * pauseMs_, LongestPauseMs);
    return pauseMs_;
}

void SoundRecovery::Step()
{
    if (state_ != State::Waiting && state_ != State::Checking)
        return;
    if (QELVODX8::MonotonicSeconds() - since_ >= GiveUpSeconds) {
        GiveUp();
        return;
    }
    if (state_ == State::Waiting)
        Attempt();
    else
        ScheduleNext(GiveUpSeconds * 1000);
}

// Both devices let go of and opened afresh. Opening them lets the window's events run: what
// they bring is noted, and acted on once the attempt has returned.
void SoundRecovery::Attempt()
{
    state_ = State::Opening;
    metWhileOpening_ = Met::Nothing;
    clickWhileOpening_ = Click::None;
    engine_.Reopen();
    AttemptReturned(metWhileOpening_, clickWhileOpening_);
}

void SoundRecovery::AttemptReturned(Met met, Click click)
{
    if (click == Click::Off) {
        engine_.DropDevices();
        ToIdle();
        Trace("the sound is stopped, nothing is brought back");
        return;
    }
    if (click == Click::On) {
        engine_.DropDevices();
        ToIdle();
        StartForTheUser();
        return;
    }
    const bool running = engine_.InAction();
    state_ = running && met != Met::Loss ? State::Checking : State::Waiting;
    if (state_ == State::Checking)
        ScheduleNext(GiveUpSeconds * 1000);
    else
        ScheduleNext(met == Met::Back ? 0 : NextPause());
}

// Off and On were clicked while an attempt opened the devices: the On click starts the
// sound as it does when the sound is off, which it could not do while they opened.
void SoundRecovery::StartForTheUser()
{
    Trace("the sound is started afresh, as the user switched it off and on");
    engine_.StartSound();
    if (!engine_.InAction())
        emit SoundLost();
}

void SoundRecovery::PlaybackTook()
{
    soundFlowed_ = true;
    if (state_ != State::Checking)
        return;
    ToIdle();
    Trace("the sound is back after " + Seconds(QELVODX8::MonotonicSeconds() - lostAt_) + " s");
}

void SoundRecovery::ToIdle()
{
    state_ = State::Idle;
    timer_.stop();
}

void SoundRecovery::GiveUp()
{
    ToIdle();
    Trace("the sound has not come back within " + std::to_string(GiveUpSeconds) + " s (" + lastWhy_ +
          "), the sound stops");
    engine_.DropDevices();
    const std::string text = LossText();
    replaced_[0] = replaced_[1] = false;
    emit SoundLost();
    MessageBoxes::MsgBox(text, MessageBoxes::vbOKOnly);
}

std::string SoundRecovery::LossText() const
{
    const std::string within = " within " + std::to_string(GiveUpSeconds) + " s";
    const std::string last = lastWhy_.empty() || lastWhy_ == cause_.Why ? std::string() : " The last attempt: " + lastWhy_ + ".";
    const std::string on = " Then switch the receiver On.";
    switch (cause_.What) {
    case Kind::ServerLost:
        return "The receiver has stopped: the sound server " + cause_.Device + " went away (" + cause_.Why +
               ") and has not come back" + within + "." + last +
               " Start the sound server again (on a desktop: systemctl --user restart pipewire pipewire-pulse, "
               "or pulseaudio --start)." + on;
    case Kind::DeviceRemoved:
        return "The receiver has stopped: " + Describe(cause_) + " and no other device could take its place" + within +
               "." + last + " Plug the device in again, or choose another. " + QELVODX8::DeviceChoiceHint() + on;
    default:
        return "The receiver has stopped: " + Describe(cause_) + " and could not be started again" + within + "." +
               last + " Check the device. " + QELVODX8::DeviceChoiceHint() + on;
    }
}

bool SoundRecovery::TakeOver(const std::string& routine, int32_t error, const std::string& why)
{
    if (state_ != State::Idle) {
        lastWhy_ = why;
        if (state_ == State::Checking) {
            state_ = State::Waiting;
            ScheduleNext(NextPause());
        }
        return true;
    }
    if (!engine_.InAction())
        return false;
    if (!soundFlowed_) {
        // The devices fail as the user starts them: told at once, and the receiver stops.
        engine_.DropDevices();
        emit SoundLost();
        return false;
    }
    AddLog(routine + ":Code=" + std::to_string(error) + " Description=" + why);
    Begin({Kind::StreamFailed, SoundDirection::Playback, engine_.PlaybackDeviceName(), why});
    return true;
}

// The user has not switched the sound off, though the engine may still wait for its devices
// to report stopped (and let the window's events run meanwhile).
bool SoundRecovery::SoundOn() const
{
    return engine_.InAction() && !userStopped_;
}

void SoundRecovery::UserStarts()
{
    userStopped_ = false;
    if (state_ == State::Opening) {
        clickWhileOpening_ = Click::On;
        return;
    }
    if (state_ != State::Idle) {
        ToIdle();
        Trace("the sound is started by the user, nothing more is brought back");
    }
    if (!engine_.InAction()) {
        soundFlowed_ = false;
        replaced_[0] = replaced_[1] = false;
    }
}

void SoundRecovery::UserStops()
{
    userStopped_ = true;
    if (state_ == State::Opening) {
        clickWhileOpening_ = Click::Off;
        return;
    }
    soundFlowed_ = false;
    // The default stood in for a chosen device: the next start opens the chosen one.
    if (replaced_[0] || replaced_[1])
        engine_.DropDevices();
    replaced_[0] = replaced_[1] = false;
    if (state_ == State::Idle)
        return;
    ToIdle();
    Trace("the sound is stopped, nothing is brought back");
}

std::string SoundRecovery::DeviceToOpen(SoundDirection direction, const std::string& chosen) const
{
    return StandsIn(direction) ? std::string(DefaultDevice) : chosen;
}

// A device that plays at a pace of its own takes its blocks whether sound comes in or not.
void SoundRecovery::WatchPlayback()
{
    if (state_ == State::Idle)
        engine_.RestartPlaybackIfStalled();
}
