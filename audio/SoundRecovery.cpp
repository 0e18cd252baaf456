#include "audio/SoundRecovery.h"

#include "audio/QELVODX8.h"
#include "core/BusyGuard.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"

#include <QString>

#include <algorithm>

namespace {

constexpr const char* DefaultDevice = "default";

const char* DirectionName(SoundDirection direction)
{
    return direction == SoundDirection::Capture ? "Capture" : "Playback";
}

std::string Describe(const SoundStateEvent& event)
{
    using Kind = SoundStateEvent::Kind;
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
    const std::string what = Describe(event);
    if (event.What == SoundStateEvent::Kind::ServerBack) {
        Trace(what + (active_ ? ", the sound is brought back now" : ""));
        if (active_ && !attempting_) {
            pauseMs_ = 0;
            ScheduleNext(0);
        }
        return;
    }
    if (!engine_.InAction() && !active_) {
        Trace(what + ", while the sound is off");
        return;
    }
    // Told while the devices open: the connection that was lost is the one being replaced.
    if (attempting_ && event.What == SoundStateEvent::Kind::ServerLost) {
        Trace(what);
        return;
    }
    if (event.What == SoundStateEvent::Kind::DeviceRemoved && event.Device != DefaultDevice &&
        !replaced_[static_cast<size_t>(event.Direction)]) {
        replaced_[static_cast<size_t>(event.Direction)] = true;
        Trace(what + ", the sound server's \"default\" device takes its place until the sound is next started");
    } else if (active_) {
        Trace(what);
    }
    restartNeeded_ = true;
    if (!active_)
        Begin(event);
    else if (!attempting_)
        ScheduleNext(0);
}

void SoundRecovery::Begin(const SoundStateEvent& cause)
{
    active_ = true;
    cause_ = cause;
    lastWhy_ = cause.Why;
    since_ = QELVODX8::MonotonicSeconds();
    pauseMs_ = 0;
    restartNeeded_ = true;
    Trace(Describe(cause) + ", the sound is brought back");
    ScheduleNext(0);
}

void SoundRecovery::ScheduleNext(int pauseMs)
{
    timer_.start(pauseMs);
}

void SoundRecovery::Step()
{
    if (!active_ || attempting_)
        return;
    if (QELVODX8::MonotonicSeconds() - since_ >= GiveUpSeconds) {
        GiveUp();
        return;
    }
    if (restartNeeded_ || !engine_.InAction())
        Attempt();
    pauseMs_ = pauseMs_ == 0 ? FirstPauseMs : std::min(2 * pauseMs_, LongestPauseMs);
    if (active_ && !timer_.isActive())
        ScheduleNext(pauseMs_);
}

// Both devices let go of and opened afresh. The user may stop the sound while the devices
// open (they let the window's events run): what opened is then let go of again.
void SoundRecovery::Attempt()
{
    const BusyGuard busy(attempting_);
    restartNeeded_ = false;
    const uint32_t cancels = cancels_;
    LetGoOfDevices();
    engine_.StartSound();
    if (cancels_ != cancels)
        LetGoOfDevices();
}

void SoundRecovery::SoundFlows()
{
    if (!engine_.InAction() || restartNeeded_)
        return;
    active_ = false;
    timer_.stop();
    const double seconds = QELVODX8::MonotonicSeconds() - since_;
    Trace("the sound is back after " + QString::number(seconds, 'f', 3).toStdString() + " s");
}

// The devices are let go of at once, without waiting for them to report stopped: what broke
// them has stopped them already, and nothing here lets the window's events run.
void SoundRecovery::LetGoOfDevices()
{
    QELVODX8& engine = engine_;
    SoundBackend& backend = engine.backend_;
    backend.Stop(SoundDirection::Capture);
    backend.Stop(SoundDirection::Playback);
    for (std::vector<PositionNotify>* table : {&engine.captureNotify_, &engine.playbackNotify_}) {
        for (const PositionNotify& entry : *table) {
            if (entry.EventId != 0)
                backend.DestroyEvent(entry.EventId);
        }
        table->assign(1, PositionNotify{});
    }
    engine.CloseDevices();
    engine.inAction_ = false;
    engine.prepared_ = false;
    ++engine.epoch_;
}

void SoundRecovery::GiveUp()
{
    active_ = false;
    timer_.stop();
    Trace("the sound has not come back within " + std::to_string(GiveUpSeconds) + " s (" + lastWhy_ +
          "), the sound stops");
    LetGoOfDevices();
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
    case SoundStateEvent::Kind::ServerLost:
        return "The receiver has stopped: the sound server " + cause_.Device + " went away (" + cause_.Why +
               ") and has not come back" + within + "." + last +
               " Start the sound server again (on a desktop: systemctl --user restart pipewire pipewire-pulse, "
               "or pulseaudio --start)." + on;
    case SoundStateEvent::Kind::DeviceRemoved:
        return "The receiver has stopped: " + Describe(cause_) + " and no other device could take its place" + within +
               "." + last + " Plug the device in again, or choose another. " + QELVODX8::DeviceChoiceHint() + on;
    default:
        return "The receiver has stopped: " + Describe(cause_) + " and could not be started again" + within + "." +
               last + " Check the device. " + QELVODX8::DeviceChoiceHint() + on;
    }
}

bool SoundRecovery::TakeOver(const std::string& routine, int32_t error, const std::string& why)
{
    if (active_) {
        lastWhy_ = why;
        return true;
    }
    if (!engine_.InAction())
        return false;
    if (!soundFlowed_) {
        // The devices fail as the user starts them: told at once, and the receiver stops.
        LetGoOfDevices();
        emit SoundLost();
        return false;
    }
    AddLog(routine + ":Code=" + std::to_string(error) + " Description=" + why);
    Begin({SoundStateEvent::Kind::StreamFailed, SoundDirection::Playback, engine_.PlaybackDeviceName(), why});
    return true;
}

void SoundRecovery::Cancel()
{
    ++cancels_;
    soundFlowed_ = false;
    // The default stood in for a chosen device: the next start opens the chosen one.
    if (replaced_[0] || replaced_[1])
        LetGoOfDevices();
    replaced_[0] = replaced_[1] = false;
    if (!active_)
        return;
    active_ = false;
    timer_.stop();
    Trace("the sound is stopped, nothing is brought back");
}

std::string SoundRecovery::DeviceToOpen(SoundDirection direction, const std::string& chosen) const
{
    return StandsIn(direction) ? std::string(DefaultDevice) : chosen;
}

// A device that plays at a pace of its own takes its blocks whether sound comes in or not.
void SoundRecovery::WatchPlayback()
{
    QELVODX8& engine = engine_;
    if (engine.InAction() && !active_ && engine.backend_.PlaybackKeepsPace() && engine.PlaybackStalled())
        engine.RestartStalledPlayback();
}
