#pragma once

#include "radio/cy27ee16_table/PLLEntry.h"

// The stored results of the PLL setting search: slot i is the setting for 448 kHz + 4 kHz x i,
// slots 0 to 29900; slot 29901 is 0. Written by cy27ee16_table_generator into
// CY27EE16PLLSettings.cpp, which is committed: the build never runs the search.
namespace CY27EE16PLLSettings {

constexpr int Count = 29902;

extern const PLLEntry Settings[Count];

}  // namespace CY27EE16PLLSettings
