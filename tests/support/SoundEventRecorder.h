#pragma once

#include "platform/SoundBackend.h"

#include <algorithm>
#include <functional>
#include <vector>

// Records the events a sound backend signals, and runs a test's action on each.
class RecordingSink : public SoundEventSink
{
public:
    void DXCallback(int32_t eventId) override
    {
        events.push_back(eventId);
        onEvent(eventId);
    }
    std::vector<int32_t> events;
    std::function<void(int32_t)> onEvent = [](int32_t) {};
};

// Positions at the last byte of every block, one event each; the events' ids in block order.
inline std::vector<int32_t> NotifyEveryBlock(SoundBackend& backend, SoundDirection direction,
                                             const SoundBufferDesc& desc, RecordingSink& sink)
{
    std::vector<PositionNotify> table;
    std::vector<int32_t> ids;
    for (int32_t end = desc.BlockBytes; end <= desc.BufferBytes; end += desc.BlockBytes) {
        ids.push_back(backend.CreateEvent(&sink));
        table.push_back({end - 1, ids.back()});
    }
    backend.SetNotificationPositions(direction, table);
    return ids;
}

// What the backend tells its owner of the devices and the server.
struct StateEvents : SoundStateSink
{
    void SoundStateChanged(const SoundStateEvent& event) override { events.push_back(event); }
    size_t Count(SoundStateEvent::Kind what) const
    {
        return static_cast<size_t>(
            std::count_if(events.begin(), events.end(), [what](const SoundStateEvent& event) { return event.What == what; }));
    }
    std::vector<SoundStateEvent> events;
};
