#pragma once

#include <cstdint>
#include <string>

// Values of the main window that the receiver hardware, the receive chain and the
// recorder share. The main window restores and saves them with its settings.
inline int32_t SDRModelNo = 0;          // row of the receiver model table ("SDRModelNo")
inline bool IQModeOn = false;           // the receiver delivers I and Q on the stereo input
inline bool IQSelectUpper = false;      // in I/Q mode, receive the upper image (oscillator + IF)
inline bool HiSideLoOn = false;         // the oscillator runs above the signal
inline bool VFOControl = false;         // the model's oscillator is under program control
inline bool EnableShaftEncoder = false; // a shaft encoder on the serial port's CTS and DSR lines
inline bool ShaftAutoRate = false;      // the shaft encoder's automatic step rate
inline int32_t RITOffset = 0;           // receiver incremental tuning, hertz
inline std::string SaveRecordingsPath;  // folder of recordings and the temporary recording
