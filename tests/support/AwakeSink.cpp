#include "support/AwakeSink.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr uint32_t ListenerLatencyBytes = 20 * 48 * 2;   // 20 ms of the mono monitor

} // namespace

AwakeSink::AwakeSink(const std::string& server, const std::string& sink) : sink_(sink)
{
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
        return;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "zoz rig awake sink");
    if (!context_)
        return;
    pa_context_set_state_callback(context_, &AwakeSink::OnContextState, this);
    pa_threaded_mainloop_lock(loop_);
    if (pa_context_connect(context_, server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_unlock(loop_);
        return;
    }
    for (pa_context_state_t state = pa_context_get_state(context_); state != PA_CONTEXT_READY;
         state = pa_context_get_state(context_)) {
        if (!PA_CONTEXT_IS_GOOD(state)) {
            pa_threaded_mainloop_unlock(loop_);
            return;
        }
        pa_threaded_mainloop_wait(loop_);
    }
    pa_operation* found = pa_context_get_sink_info_by_name(
        context_, sink_.c_str(),
        [](pa_context*, const pa_sink_info* info, int, void* self) {
            auto* owner = static_cast<AwakeSink*>(self);
            if (info)
                owner->sinkIndex_ = info->index;
            pa_threaded_mainloop_signal(owner->loop_, 0);
        },
        this);
    while (found && pa_operation_get_state(found) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(loop_);
    if (found)
        pa_operation_unref(found);
    if (sinkIndex_ != UINT32_MAX) {
        pa_context_set_subscribe_callback(
            context_,
            [](pa_context* context, pa_subscription_event_type_t type, uint32_t index, void* self) {
                OnEvent(context, static_cast<int>(type), index, self);
            },
            this);
        if (pa_operation* subscribed = pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr))
            pa_operation_unref(subscribed);
        CountStreams();
        ready_ = true;
    }
    pa_threaded_mainloop_unlock(loop_);
}

AwakeSink::~AwakeSink()
{
    if (loop_) {
        pa_threaded_mainloop_lock(loop_);
        Listen(false);
        if (context_)
            pa_context_disconnect(context_);
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
    }
    if (context_)
        pa_context_unref(context_);
    if (loop_)
        pa_threaded_mainloop_free(loop_);
}

bool AwakeSink::Hold(bool held)
{
    if (!ready_)
        return false;
    pa_threaded_mainloop_lock(loop_);
    held_ = held;
    bool listening = true;
    if (held) {
        Listen(true);
        while (listener_ && pa_stream_get_state(listener_) == PA_STREAM_CREATING)
            pa_threaded_mainloop_wait(loop_);
        listening = listener_ && pa_stream_get_state(listener_) == PA_STREAM_READY;
    } else {
        CountStreams();
    }
    pa_threaded_mainloop_unlock(loop_);
    return listening;
}

void AwakeSink::OnContextState(pa_context*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<AwakeSink*>(self)->loop_, 0);
}

// A stream that ends may have been the last one: the listener comes back before it is asked.
void AwakeSink::OnEvent(pa_context*, int type, uint32_t, void* self)
{
    auto* owner = static_cast<AwakeSink*>(self);
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE)
        owner->Listen(true);
    owner->CountStreams();
}

void AwakeSink::CountStreams()
{
    StreamCount& count = counts_.emplace_back(StreamCount{this, sinkIndex_});
    const auto finished = std::prev(counts_.end());
    pa_operation* listed = pa_context_get_sink_input_info_list(
        context_,
        [](pa_context*, const pa_sink_input_info* info, int last, void* data) {
            auto* count = static_cast<StreamCount*>(data);
            if (!last && info) {
                count->playing += info->sink == count->sink;
                return;
            }
            AwakeSink& owner = *count->owner;
            owner.Listen(owner.held_ || count->playing == 0);
            owner.counts_.remove_if([count](const StreamCount& each) { return &each == count; });
        },
        &count);
    if (listed)
        pa_operation_unref(listed);
    else
        counts_.erase(finished);
}

void AwakeSink::Listen(bool listening)
{
    if (!listening) {
        if (listener_) {
            pa_stream_set_state_callback(listener_, nullptr, nullptr);
            pa_stream_set_read_callback(listener_, nullptr, nullptr);
            pa_stream_disconnect(listener_);
            pa_stream_unref(listener_);
            listener_ = nullptr;
        }
        return;
    }
    if (listener_)
        return;
    const pa_sample_spec format{PA_SAMPLE_S16LE, 48000, 1};
    listener_ = pa_stream_new(context_, "awake", &format, nullptr);
    if (!listener_)
        return;
    pa_stream_set_state_callback(listener_, &AwakeSink::OnStreamState, this);
    pa_stream_set_read_callback(listener_, &AwakeSink::OnRead, this);
    const pa_buffer_attr latency{UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, ListenerLatencyBytes};
    const std::string monitor = sink_ + ".monitor";
    if (pa_stream_connect_record(listener_, monitor.c_str(), &latency, PA_STREAM_ADJUST_LATENCY) < 0)
        Listen(false);
}

void AwakeSink::OnStreamState(pa_stream*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<AwakeSink*>(self)->loop_, 0);
}

void AwakeSink::OnRead(pa_stream* stream, size_t, void* self)
{
    auto* owner = static_cast<AwakeSink*>(self);
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0) {
        if (bytes == 0)
            break;
        if (data) {
            const auto* samples = static_cast<const int16_t*>(data);
            int loudest = owner->loudest_;
            for (size_t k = 0; k < bytes / sizeof(int16_t); ++k)
                loudest = std::max(loudest, std::abs(static_cast<int>(samples[k])));
            owner->loudest_ = loudest;
        }
        pa_stream_drop(stream);
    }
}
