#pragma once

#include <cstdint>

// Main-window values of the receive path.
inline bool DreamStarting = false; // the DRM decoder is being started (preset tracking waits)
inline bool Receiving = false;     // between power On and power Off
