#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One built-in receiver model: the defaults of its oscillator chip, transport and limits.
// The receiver set-up reads every value from the model's settings section and falls back
// to these. TunedFrequency and TuneStep are in tenths of a hertz, the other frequencies
// in hertz.
struct RXModelRecord
{
    int32_t Index = 0;
    std::string Name;
    int32_t DDSChip = 0;               // 9835, 9850, 9851, 9951, 273316 (CY27EE16), 0 crystal
    std::string DDSChipName;
    int32_t LOOffset = 0;              // IF offset, Hz
    int32_t DDSClock = 0;              // reference clock, Hz (the sample rate for a crystal)
    int32_t OscMultiplier = 0;
    bool IQMode = false;
    int32_t TunedFrequency = 0;        // 0.1 Hz
    int32_t TuneStep = 0;              // 0.1 Hz
    int32_t DDSInterfaceType = 0;      // 0 serial, 1 printer port, 2 USB, 3 none
    int32_t XtalFrequency = 0;         // Hz, -1 without a crystal
    int32_t PLLMultiplier = 0;
    bool VFOControl = false;
    bool LowSideLOOption = false;
    uint8_t IOUPDBitNo = 0;
    uint8_t SCLCKBitNo = 0;
    uint8_t SDATABitNo = 0;
    bool Inverting = false;
    int32_t RXMinFreq = 0;             // Hz
    int32_t RXMaxFreq = 0;             // Hz
};

// Chip codes of RXModelRecord::DDSChip.
namespace DDSChipCode {
inline constexpr int32_t SoftDDS = 0;
inline constexpr int32_t AD9835 = 9835;
inline constexpr int32_t AD9850 = 9850;
inline constexpr int32_t AD9851 = 9851;
inline constexpr int32_t AD9951 = 9951;
inline constexpr int32_t CY27EE16 = 273316;
}

// Transport codes of RXModelRecord::DDSInterfaceType.
namespace DDSInterfaceCode {
inline constexpr int32_t Serial = 0;
inline constexpr int32_t Parallel = 1;
inline constexpr int32_t USB = 2;
inline constexpr int32_t None = 3;
}

// The table of the 18 receiver models the program knows, filled once and never changed.
namespace RXDefinitions {

inline std::vector<RXModelRecord> RXModels;
inline int32_t RXModelMaxIndex = 0;     // 17 once filled

// Fills rows 0 to 17 (again, when called a second time). Reads IFCentreHz.
void Initialise();
bool Filled();

} // namespace RXDefinitions
