#pragma once

#include <cstdint>

class QELVODX8;

// Options of the main window kept in its settings section "frmMain" (read at start-up,
// written at exit) that no lower layer holds. The configuration window edits them.
inline int32_t CurrentMainBandIndex = 0;          // the band selected last
inline bool ScrollWheelEnableOverScope = false;   // the wheel tunes over the spectrum
inline bool HiLiteBorder = false;                 // the focused value label gets a border
inline bool KBDSupport = false;                   // kept for the configuration window
inline bool RunDreamOnDRM = false;                // start the DRM decoder when DRM is chosen
inline bool CloseSoundcardOnDRM = false;          // hand the sound card to the decoder in DRM
inline int32_t DreamWindowStyle = 1;              // the decoder's window style, 0 to 3
inline bool DreamCloseOnModeChange = false;       // close the decoder when DRM is left
inline bool AutoTrackPresets = true;              // presets follow the tuned frequency
inline bool FormCaptionOffOnPwrOn = false;        // no caption bar while receiving
inline bool AutoStartSDR = false;                 // power on at the end of start-up

// The section's keys, read and written in their fixed order (the settings file keeps it).
namespace MainWindowSettings {

void RestoreColourScheme();        // the seven colour keys, before the window is coloured
void RestoreInterfaceSettings();   // the model and the shaft encoder, before the receiver set-up
// The window's options and most program-wide ones; the S-meter's zero point into noiseFloor.
void RestoreSettings(float& noiseFloor);
// The display size RestoreSettings takes from the store ("Ext" when none is stored).
int32_t StoredDisplayMode();
// The capture and playback devices: their names, and their numbers, 1 (the first device)
// when none is stored or the one stored is not among the devices listed.
void RestoreSoundDevices(QELVODX8& soundCard);
// All 41 keys, each from the value in force (no sound card: device 1, no name).
void SaveSettings(float noiseFloor, const QELVODX8* soundCard);

} // namespace MainWindowSettings
