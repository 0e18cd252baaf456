#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    int32_t NumSubBands = 0;
    int32_t SubBandCount = 0;
    int32_t PresetCount = 0;
    std::string FileName;      // full path of the file
    bool Loaded = false;
};

// Every band, in the order of the program folder's listing; never empty once started.
inline std::vector<BandRecord> BandPlans;
