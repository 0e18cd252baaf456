#pragma once

#include "audio/QELVODX8.h"
#include "platform/SoundBackend.h"

#include <array>
#include <cstdint>

// The receiver of the sound-card engine's notifications. It owns the two channel arrays
// into which every captured block is split, and hands each notification to the engine's
// EventHandler together with them. Registers itself as the engine's EventForm for its
// lifetime.
class frmDX8Events : public SoundEventSink
{
public:
    explicit frmDX8Events(QELVODX8& soundCard);
    ~frmDX8Events();
    frmDX8Events(const frmDX8Events&) = delete;
    frmDX8Events& operator=(const frmDX8Events&) = delete;

    void DXCallback(int32_t eventid) override;

    std::array<int16_t, QELVODX8::MaxSamplesPerEvent> Channel1{};
    std::array<int16_t, QELVODX8::MaxSamplesPerEvent> Channel2{};

private:
    QELVODX8& soundCard_;
};
