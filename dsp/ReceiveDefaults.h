#pragma once

#include <array>
#include <cstdint>
#include <string>

// The preset tables of the receive controls, built in code at every start and never saved:
// the five AF filter presets, the AGC speed presets and the IF filter pass bands per
// demodulation mode, with the notch defaults. What the user changes at run time lives in
// the tables until the program ends.

// Maxima of the AGC attack and decay value labels, from which the AGC presets derive.
inline constexpr float AGCAttackLabelMax = 100.0f;   // tenths of a second
inline constexpr float AGCDecayLabelMax = 200.0f;    // tenths of a millisecond

struct FilterEntry
{
    int32_t DefaultHi = 0;   // Hz
    int32_t DefaultLo = 0;
    int32_t Hi = 0;
    int32_t Lo = 0;
    int32_t SpareHi = 0;
    int32_t SavedLo = 0;     // the lower edge before music mode was switched on
    bool Music = false;
};

struct AGCEntry
{
    int32_t DefaultAttack = 0;
    int32_t Attack = 0;
    int32_t SpareAttack = 0;
    int32_t DefaultDecay = 0;
    int32_t Decay = 0;
    int32_t SpareDecay = 0;
};

// Offsets in Hz from IFFreq: Hi above it, Lo below it.
struct IFFilterEntry
{
    int32_t DefaultHi = 0;
    int32_t DefaultLo = 0;
    int32_t Hi = 0;
    int32_t Lo = 0;
    int32_t SpareHi = 0;
    int32_t SpareLo = 0;
    bool Symmetric = false;
};

inline std::array<FilterEntry, 5> FilterTable{};       // by FilterMode, the filter button
inline int32_t FilterMode = 0;                        // the AF filter preset chosen
inline std::array<AGCEntry, 5> AGCTable{};             // by AGCMode: 0 Off (zeros), 1..3, 4 recalled
inline std::array<IFFilterEntry, 27> IFFilterTable{};  // by DemodMode + 9 x IFFilterMode

inline int32_t NotchFilterWidth = 0;   // Hz
inline int32_t NotchFilterCenter = 0;
inline int32_t NotchLastCentre = 0;    // the centre the notch was last designed for

// The index of the IF filter entry for a demodulation mode and an IF filter mode.
int32_t IFFilterIndex(int32_t demodMode, int32_t ifFilterMode);

namespace ReceiveDefaults {

// Each writes its trace lines, the caller's routine prefix followed by the step text.
void FillFilterTable(const std::string& tracePrefix);
// Entries 1, 2 and 3 from the label maxima divided by 4, 2 and 1, rounded half to even.
void FillAGCTable(const std::string& tracePrefix, float attackMax = AGCAttackLabelMax,
                  float decayMax = AGCDecayLabelMax);
// The Man block (9..15) and the Track block (18..24) with the same bands.
void FillIFFilterTable(const std::string& tracePrefix);
void SetNotchDefaults(const std::string& tracePrefix);

} // namespace ReceiveDefaults
