#pragma once

#include <array>
#include <cstdint>
#include <string>

// The front panel's colours, 0x00BBGGRR.
struct SDRColourScheme
{
    int32_t SDRBackgroundColour = 0;
    int32_t SDRLabelColour = 0;
    int32_t SDRFrameFocusColour = 0;
    int32_t SDRFrameNormalColour = 0;
    int32_t SDRTuningColour = 0;
    int32_t ScrollableLabelNormalColour = 0;
    int32_t ScrollableLabelFocusColour = 0;
};

// Process-wide records shared by the windows, filled at start-up.
namespace PublicVars {

inline SDRColourScheme SDRColourSchemes;

// Tuning steps in tenths of a hertz, 10 kHz at index 0 down to 0.1 Hz at index 17.
inline constexpr std::array<int32_t, 18> DefaultTuningSteps = {
    100000, 90000, 50000, 30000, 25000, 10000, 5000, 2500, 1000,
    500, 250, 100, 50, 25, 10, 5, 2, 1};
inline std::array<int32_t, 18> TuningSteps{};

inline std::string PathToDream;     // the DRM decoder's executable
inline std::string DreamProgArgs;   // its extra arguments
inline bool DreamCloseOnExit = false;

// Sets the seven colours of SDRColourSchemes to their defaults, in field order.
void SetColourSchemeDefaults();

} // namespace PublicVars
