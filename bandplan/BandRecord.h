#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A stored receiver state: what a sub-band or a preset recalls. Frequencies in hertz.
struct ModeSettingsRecord
{
    bool Changed = false;        // differs from the file: written at exit (when also Loaded)
    bool Loaded = false;         // read from the file
    int32_t FreqCurrent = 0;     // below 1: no frequency (an unused preset)
    bool LowSideLO = false;
    int32_t TuneStep = 0;        // tenths of a hertz
    int32_t FilterMode = 0;      // AF filter preset 0..4
    int32_t FilterHi = 0;        // below 0: the preset's default edge
    int32_t FilterLo = 0;
    bool MusicModeActive = false;
    bool DynFilterActive = false;
    bool IFFilterActive = false;
    int32_t IFFilterMode = 0;    // 0 off, 1 manual, 2 track
    int32_t IFFilterLo = 0;      // below 0: the IF filter table's edge
    int32_t IFFilterHi = 0;
    float AGCAttack = 0.0f;
    float AGCDecay = 0.0f;
    bool AGCOn = false;
    int32_t AGCMode = 0;         // below 0: no AGC speed stored
    bool NotchActive = false;
    int32_t NotchMode = 0;       // 0 manual, 1 automatic
    int32_t NotchType = 0;       // 0 AF, 1 IF
    int32_t NotchFilterCenter = 0;
    int32_t NotchFilterWidth = 0;
    bool NotchMirror = false;
    int32_t DemodMode = 0;       // 0 AM, 1 USB, 2 LSB, 3 DRM, 4 FM, 5 BC, 6 SAM
    float OutputAttenuation = 0.0f;
};

struct PresetRecord
{
    std::string Name;            // written, never read
    int32_t Index = 0;
    std::string Caption;         // at most 7 characters after loading
    std::string Description;
    ModeSettingsRecord ModeSettings;
    bool Active = false;         // the preset in force: recalled and not tuned away from
    std::string When;            // date and time of the last store

    bool Used() const { return ModeSettings.FreqCurrent >= 1; }
};

struct SubBandRecord
{
    std::string Name;            // written, never read
    int32_t Index = 0;
    std::string Caption;         // at most 6 characters after loading
    std::string Description;
    ModeSettingsRecord ModeSettings;   // followed while no preset is in force
    int32_t FreqMin = -1;        // -1: none
    int32_t FreqMax = -1;
    std::vector<PresetRecord> Presets;   // 0..PresetDim
    int32_t ActivePreset = -1;   // the preset last recalled or stored, -1 none
    int32_t NumPresets = 0;
    int32_t PresetDim = 0;
    bool HasFrequencies = false;
};

// One band plan: one "*.bpl" file in the program folder. The start-up fills the
// first fields; the sub-bands and presets are read when the band is first selected.
struct BandRecord
{
    std::string Name;          // file name without ".bpl"
    int32_t Index = 0;         // position in BandPlans
    std::string Caption;
    std::string Description;
    bool Active = false;
    int32_t ActiveSubBand = 0;
    std::vector<SubBandRecord> SubBands;   // 0..SubBandCount
    int32_t NumSubBands = 0;   // highest sub-band index in use
    int32_t SubBandCount = 0;
    int32_t PresetCount = 0;
    std::string FileName;      // full path of the file
    bool Loaded = false;       // only loaded bands are written back
};

// Every band, in the order of the program folder's listing; never empty once started.
inline std::vector<BandRecord> BandPlans;
