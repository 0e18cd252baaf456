#include "platform/PulseConnection.h"

namespace {

constexpr const char* ApplicationName = "ZOZEVERE";
constexpr const char* ApplicationId = "zozevere";   // also its icon's name

void SignalLoop(pa_operation*, void* loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

template <typename Info>
void Collect(pa_context*, const Info* info, int eol, void* userdata)
{
    if (eol != 0 || !info)
        return;
    const char* description = info->description && *info->description ? info->description : info->name;
    static_cast<PulseConnection::DeviceList*>(userdata)->Devices.push_back({std::string("pulse:") + info->name, description});
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

std::unique_ptr<PulseConnection> PulseConnection::Connect(LostFunction lost, void* context, std::string& reason)
{
    std::unique_ptr<PulseConnection> connection(new PulseConnection(lost, context));
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
    const bool settled = Wait([this] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (!settled)
        reason = "no answer within " + std::to_string(TimeoutMs / 1000) + " s";
    else if (pa_context_get_state(context_) != PA_CONTEXT_READY)
        reason = LastError();
    const char* server = pa_context_get_server(context_);
    server_ = server ? server : "(the default)";
    if (!settled || !reason.empty())
        return false;
    LearnServerKind();
    return true;
}

// Lock held.
void PulseConnection::LearnServerKind()
{
    const auto takeName = [](pa_context*, const pa_server_info* info, void* userdata) {
        *static_cast<std::string*>(userdata) = info->server_name ? info->server_name : "";
    };
    std::string name;
    if (Run(pa_context_get_server_info(context_, takeName, &name)))
        closeClock_ = name.find("PipeWire") == std::string::npos;
}

// Nothing of this connection runs once the context is gone and the thread has ended.
PulseConnection::~PulseConnection()
{
    if (!loop_)
        return;
    if (context_) {
        const Lock lock(*this);
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
    if (state == PA_CONTEXT_READY)
        connection->ready_ = true;
    else if (!PA_CONTEXT_IS_GOOD(state) && connection->ready_ && !connection->lost_.exchange(true))
        connection->lostFunction_(connection->lostContext_);
    pa_threaded_mainloop_signal(connection->loop_, 0);
}

std::string PulseConnection::LastError() const
{
    return pa_strerror(pa_context_errno(context_));
}

// Lock held. An operation still running at the timeout is cancelled: its callbacks, and
// the caller's data they fill in, are let go of before this returns.
bool PulseConnection::Run(pa_operation* operation)
{
    if (!operation)
        return false;
    pa_operation_set_state_callback(operation, SignalLoop, loop_);
    const bool ended = Wait([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
    if (!ended)
        pa_operation_cancel(operation);
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

bool PulseConnection::ListDevices(SoundDirection direction, DeviceList& list)
{
    const Lock lock(*this);
    const bool capture = direction == SoundDirection::Capture;
    const bool listed = capture ? Run(pa_context_get_source_info_list(context_, Collect<pa_source_info>, &list))
                                : Run(pa_context_get_sink_info_list(context_, Collect<pa_sink_info>, &list));
    struct Defaults
    {
        bool capture;
        std::string name;
    } defaults{capture, {}};
    const auto takeDefault = [](pa_context*, const pa_server_info* info, void* userdata) {
        auto* wanted = static_cast<Defaults*>(userdata);
        const char* name = wanted->capture ? info->default_source_name : info->default_sink_name;
        wanted->name = name ? name : "";
    };
    const bool defaultKnown = Run(pa_context_get_server_info(context_, takeDefault, &defaults));
    list.DefaultName = defaults.name;
    return listed && defaultKnown;
}

bool PulseConnection::HasDevice(SoundDirection direction, const std::string& serverName)
{
    const Lock lock(*this);
    bool found = false;
    const char* name = serverName.c_str();
    if (direction == SoundDirection::Capture)
        Run(pa_context_get_source_info_by_name(context_, name, Found<pa_source_info>, &found));
    else
        Run(pa_context_get_sink_info_by_name(context_, name, Found<pa_sink_info>, &found));
    return found;
}
