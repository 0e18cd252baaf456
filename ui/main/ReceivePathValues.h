#pragma once

#include <cstdint>

// Main-window values of the receive path.
inline bool MuteAFOnDRM = false;   // mute the sound card while the DRM decoder takes the audio
inline bool NotchMirror = false;   // the notch passes its band instead of rejecting it
inline int32_t NotchLo = 0;        // notch edges, Hz
inline int32_t NotchHi = 0;
inline int16_t PrevRSample = 0;    // last sample of the previous block's second channel
inline bool DreamStarting = false; // the DRM decoder is being started (preset tracking waits)
inline bool Receiving = false;     // between power On and power Off
