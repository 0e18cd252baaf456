#include "platform/PulseConnection.h"

#include <QString>

#include <algorithm>
#include <utility>

namespace {

constexpr const char* ApplicationName = "ZOZEVERE";
constexpr const char* ApplicationId = "zozevere";   // also its icon's name
constexpr const char* ServerPrefix = "pulse:";

constexpr auto FollowedEvents =
    static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);

size_t IndexOf(SoundDirection direction) { return static_cast<size_t>(direction); }

void SignalLoop(pa_operation*, void* loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

// A request ended by the client library's own timeout: the server has not answered it.
bool TimedOut(pa_context* context)
{
    return pa_context_errno(context) == PA_ERR_TIMEOUT;
}

template <typename Info>
void Found(pa_context*, const Info* info, int eol, void* userdata)
{
    if (eol == 0 && info)
        *static_cast<bool*>(userdata) = true;
}

} // namespace

PulseConnection::Deadline::Deadline(PulseConnection& connection, int timeoutMs)
    : connection_(connection),
      event_(pa_context_rttime_new(connection.context_, pa_rtclock_now() + static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC,
                                   Expired, this))
{
}

PulseConnection::Deadline::~Deadline()
{
    if (event_)
        pa_threaded_mainloop_get_api(connection_.loop_)->time_free(event_);
}

void PulseConnection::Deadline::Expired(pa_mainloop_api*, pa_time_event*, const timeval*, void* self)
{
    auto* deadline = static_cast<Deadline*>(self);
    deadline->passed_ = true;
    pa_threaded_mainloop_signal(deadline->connection_.loop_, 0);
}

std::unique_ptr<PulseConnection> PulseConnection::Connect(NoticeFunction notice, void* context, std::string& reason)
{
    std::unique_ptr<PulseConnection> connection(new PulseConnection(notice, context));
    if (!connection->Open(reason))
        connection.reset();
    return connection;
}

bool PulseConnection::Open(std::string& reason)
{
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) {
        reason = "no client thread";
        return false;
    }
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, ApplicationName);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, ApplicationId);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, ApplicationId);
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), ApplicationName, properties);
    pa_proplist_free(properties);
    if (!context_) {
        reason = "no client context";
        return false;
    }
    pa_context_set_state_callback(context_, StateChanged, this);
    if (pa_threaded_mainloop_start(loop_) < 0) {
        reason = "the client thread cannot be started";
        return false;
    }
    const Lock lock(*this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        reason = LastError();
        return false;
    }
    const char* server = pa_context_get_server(context_);
    server_ = server ? server : "(the default)";
    connecting_.start();
    return true;
}

PulseConnection::Progress PulseConnection::Await(int timeoutMs, std::string& reason)
{
    const Lock lock(*this);
    const auto connected = [this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; };
    const auto settled = [this, connected] {
        return (connected() && Heard()) || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
    };
    if (Wait(settled, timeoutMs) && connected())
        return Progress::Ready;
    if (PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
        const double seconds = static_cast<double>(connecting_.elapsed()) / 1000;
        reason = "no answer for " + QString::number(seconds, 'f', 1).toStdString() + " s";
        return Progress::Waiting;
    }
    reason = LastError();
    return Progress::Refused;
}

// Client thread, lock held, once connected: the server's devices and defaults followed from
// now on, its answers watched.
void PulseConnection::Follow()
{
    pa_context_set_subscribe_callback(context_, Changed, this);
    if (pa_operation* operation = pa_context_subscribe(context_, FollowedEvents, nullptr, nullptr))
        pa_operation_unref(operation);
    AskForDevices(SoundDirection::Playback);
    AskForDevices(SoundDirection::Capture);
    Ask();
    answeredAt_.store(pa_rtclock_now());
    tick_ = pa_context_rttime_new(context_, pa_rtclock_now() + PingMs * PA_USEC_PER_MSEC, Tick, this);
}

// Lock held: both lists and the server's own description have come.
bool PulseConnection::Heard() const
{
    return serverHeard_ && known_[0].Heard && known_[1].Heard;
}

// Nothing of this connection runs once the context is gone and the thread has ended.
PulseConnection::~PulseConnection()
{
    if (!loop_)
        return;
    if (context_) {
        const Lock lock(*this);
        if (tick_)
            pa_threaded_mainloop_get_api(loop_)->time_free(tick_);
        for (const Start& start : starts_) {
            pa_stream_set_state_callback(start.Stream, nullptr, nullptr);
            pa_stream_unref(start.Stream);
        }
        starts_.clear();
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void PulseConnection::StateChanged(pa_context* context, void* self)
{
    auto* connection = static_cast<PulseConnection*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY && !std::exchange(connection->ready_, true))
        connection->Follow();
    else if (!PA_CONTEXT_IS_GOOD(state) && connection->ready_ && !connection->lost_.exchange(true))
        connection->notice_(connection->noticeContext_);
    pa_threaded_mainloop_signal(connection->loop_, 0);
}

std::string PulseConnection::LastError() const
{
    return pa_strerror(pa_context_errno(context_));
}

double PulseConnection::SecondsSinceAnswer() const
{
    const pa_usec_t now = pa_rtclock_now();
    const pa_usec_t oldestStart = oldestStart_.load();
    const pa_usec_t answered = oldestStart != 0 ? std::min(answeredAt_.load(), oldestStart) : answeredAt_.load();
    return now > answered ? static_cast<double>(now - answered) / PA_USEC_PER_SEC : 0.0;
}

// Lock held. An operation still running at the timeout is cancelled: its callbacks, and
// the caller's data they fill in, are let go of before this returns.
bool PulseConnection::Run(pa_operation* operation, int timeoutMs)
{
    if (!operation)
        return false;
    pa_operation_set_state_callback(operation, SignalLoop, loop_);
    const bool ended = Wait([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, timeoutMs);
    if (!ended)
        pa_operation_cancel(operation);
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

void PulseConnection::StartAsked(pa_stream* stream)
{
    starts_.push_back({pa_stream_ref(stream), pa_rtclock_now()});
    if (oldestStart_.load() == 0)
        oldestStart_.store(starts_.back().AskedAt);
}

std::vector<PulseConnection::Start>::iterator PulseConnection::Find(pa_stream* stream)
{
    return std::find_if(starts_.begin(), starts_.end(), [stream](const Start& start) { return start.Stream == stream; });
}

bool PulseConnection::KeepUnanswered(pa_stream* stream)
{
    const auto start = Find(stream);
    if (start == starts_.end())
        return false;
    start->LetGo = true;
    pa_stream_set_state_callback(stream, StrayChanged, this);
    return true;
}

bool PulseConnection::GaveUpOnAStart() const
{
    const Lock lock(*this);
    return std::any_of(starts_.begin(), starts_.end(), [](const Start& start) { return start.GivenUp; });
}

// A list on its way is waited for a little, so that a device the server has just told of is
// in it.
bool PulseConnection::ListDevices(SoundDirection direction, DeviceList& list)
{
    const Lock lock(*this);
    const KnownDevices& known = known_[IndexOf(direction)];
    Wait([&known] { return !known.Listing; }, WaitMs);
    list.Devices = known.Devices;
    list.DefaultName = known.DefaultName;
    return known.Heard;
}

// A device in the last whole list is there: a list on its way, asked for because some device
// changed, is not waited for, as a server that stops answering just then would leave it
// unanswered and fail the open of a device it has told of. One not in the list may be new: the
// list on its way is waited for, then the server is asked. Both waits together last at most
// WaitMs.
std::optional<bool> PulseConnection::HasDevice(SoundDirection direction, const std::string& serverName)
{
    const Lock lock(*this);
    const KnownDevices& known = known_[IndexOf(direction)];
    const std::string name = ServerPrefix + serverName;
    const auto listed = [&known, &name] {
        return std::any_of(known.Devices.begin(), known.Devices.end(),
                           [&name](const SoundDeviceInfo& device) { return device.Name == name; });
    };
    if (listed())
        return true;
    QElapsedTimer clock;
    clock.start();
    if (!Wait([&known] { return !known.Listing; }, WaitMs))
        return std::nullopt;
    if (listed())
        return true;
    bool found = false;
    const char* asked = serverName.c_str();
    const int leftMs = std::max(WaitMs - static_cast<int>(clock.elapsed()), 1);
    const bool answered =
        direction == SoundDirection::Capture
            ? Run(pa_context_get_source_info_by_name(context_, asked, Found<pa_source_info>, &found), leftMs)
            : Run(pa_context_get_sink_info_by_name(context_, asked, Found<pa_sink_info>, &found), leftMs);
    if (!answered)
        return std::nullopt;
    return found;
}

// ---- the client thread, lock held ----------------------------------------------------

// One list at a time; a change while it comes asks for the list again after it.
void PulseConnection::AskForDevices(SoundDirection direction)
{
    KnownDevices& known = known_[IndexOf(direction)];
    if (known.Listing) {
        known.Stale = true;
        return;
    }
    known.Coming.clear();
    pa_operation* operation =
        direction == SoundDirection::Capture
            ? pa_context_get_source_info_list(context_, Listed<pa_source_info, SoundDirection::Capture>, this)
            : pa_context_get_sink_info_list(context_, Listed<pa_sink_info, SoundDirection::Playback>, this);
    known.Listing = operation != nullptr;
    known.Stale = false;
    if (operation)
        pa_operation_unref(operation);
}

// The server's own description asked for: it tells the defaults, and shows that the server
// answers.
void PulseConnection::Ask()
{
    if (asking_)
        return;
    pa_operation* operation = pa_context_get_server_info(context_, ServerTold, this);
    if (!operation)
        return;
    asking_ = true;
    if (!std::exchange(questionOut_, true))
        askedAt_ = pa_rtclock_now();
    pa_operation_unref(operation);
}

void PulseConnection::Answered()
{
    answeredAt_.store(pa_rtclock_now());
    FollowSilence();
}

// Not answering while a question has waited SilenceMs since it was asked or the server's last
// answer, or the start of a stream since it was asked for; the main thread is told of each
// change, and its waits end.
void PulseConnection::FollowSilence()
{
    const auto waited = [now = pa_rtclock_now()](pa_usec_t since) {
        return now > since && now - since >= SilenceMs * PA_USEC_PER_MSEC;
    };
    const bool questions = questionOut_ && waited(std::max(askedAt_, answeredAt_.load()));
    const pa_usec_t oldestStart = oldestStart_.load();
    const bool starts = oldestStart != 0 && waited(oldestStart);
    questionsSilent_.store(questions);
    const bool silent = questions || starts;
    if (silent_.exchange(silent) != silent) {
        notice_(noticeContext_);
        pa_threaded_mainloop_signal(loop_, 0);
    }
}

// The server started the stream or refused it: answered. The client library's timeout is no
// answer: the server may still make the stream, and the start stays unanswered on this
// connection. A connection that ends answers nothing either.
void PulseConnection::StartSettled(pa_stream* stream)
{
    const auto start = Find(stream);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (start == starts_.end() || state == PA_STREAM_CREATING || start->GivenUp)
        return;
    if (state != PA_STREAM_READY && TimedOut(context_)) {
        start->GivenUp = true;
        notice_(noticeContext_);
        return;
    }
    const bool answered = pa_context_get_state(context_) == PA_CONTEXT_READY;
    if (start->LetGo) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        if (state == PA_STREAM_READY)
            pa_stream_disconnect(stream);
    }
    Forget(start);
    if (answered)
        Answered();
}

void PulseConnection::Forget(std::vector<Start>::iterator start)
{
    pa_stream_unref(start->Stream);
    starts_.erase(start);
    oldestStart_.store(starts_.empty() ? 0 : std::min_element(starts_.begin(), starts_.end(), [](const Start& a, const Start& b) {
        return a.AskedAt < b.AskedAt;
    })->AskedAt);
}

// A stream let go of before the server answered its start.
void PulseConnection::StrayChanged(pa_stream* stream, void* self)
{
    static_cast<PulseConnection*>(self)->StartSettled(stream);
}

void PulseConnection::Changed(pa_context*, pa_subscription_event_type_t type, uint32_t, void* self)
{
    auto* connection = static_cast<PulseConnection*>(self);
    connection->Answered();
    switch (type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) {
    case PA_SUBSCRIPTION_EVENT_SINK: connection->AskForDevices(SoundDirection::Playback); break;
    case PA_SUBSCRIPTION_EVENT_SOURCE: connection->AskForDevices(SoundDirection::Capture); break;
    case PA_SUBSCRIPTION_EVENT_SERVER: connection->Ask(); break;
    default: break;
    }
}

template <typename Info, SoundDirection Direction>
void PulseConnection::Listed(pa_context*, const Info* info, int eol, void* self)
{
    auto* connection = static_cast<PulseConnection*>(self);
    KnownDevices& known = connection->known_[IndexOf(Direction)];
    if (eol == 0 && info) {
        const char* description = info->description && *info->description ? info->description : info->name;
        known.Coming.push_back({ServerPrefix + std::string(info->name), description});
        return;
    }
    if (eol > 0 || !TimedOut(connection->context_))
        connection->Answered();
    known.Listing = false;
    if (eol > 0) {
        known.Devices.swap(known.Coming);
        known.Heard = true;
    }
    if (known.Stale)
        connection->AskForDevices(Direction);
    pa_threaded_mainloop_signal(connection->loop_, 0);
}

void PulseConnection::ServerTold(pa_context*, const pa_server_info* info, void* self)
{
    auto* connection = static_cast<PulseConnection*>(self);
    connection->asking_ = false;
    if (!info && TimedOut(connection->context_)) {
        pa_threaded_mainloop_signal(connection->loop_, 0);
        return;
    }
    connection->questionOut_ = false;
    connection->Answered();
    if (info) {
        const auto name = [](const char* text) { return std::string(text ? text : ""); };
        connection->known_[IndexOf(SoundDirection::Playback)].DefaultName = name(info->default_sink_name);
        connection->known_[IndexOf(SoundDirection::Capture)].DefaultName = name(info->default_source_name);
        connection->closeClock_ = name(info->server_name).find("PipeWire") == std::string::npos;
        connection->serverHeard_ = true;
    }
    pa_threaded_mainloop_signal(connection->loop_, 0);
}

// Every PingMs while connected: the server is asked again once it has answered, and whether
// it leaves a question or a start unanswered is followed.
void PulseConnection::Tick(pa_mainloop_api*, pa_time_event* event, const timeval*, void* self)
{
    auto* connection = static_cast<PulseConnection*>(self);
    if (pa_context_get_state(connection->context_) != PA_CONTEXT_READY)
        return;
    connection->Ask();
    connection->FollowSilence();
    pa_context_rttime_restart(connection->context_, event, pa_rtclock_now() + PingMs * PA_USEC_PER_MSEC);
}
