#pragma once

#include "audio/QELVODX8.h"

// The sound card as the main window configures it: 48 kHz, 16 bits, the given channels in
// and one out, 2048 samples a block, a two-block capture and a four-block playback buffer.
inline void UseMainWindowSoundFormat(QELVODX8& engine, int32_t channelsIn = 2)
{
    engine.SetFSampling(48000);
    engine.SetNoChannelsIn(channelsIn);
    engine.SetNoChannelsOut(1);
    engine.SetNoBlocksInBuffer(2);
    engine.SetSamplesPerEvent(2048);
    engine.SetBitsPerSample(16);
    engine.SetInp2OutpBufferRatio(2);
}
