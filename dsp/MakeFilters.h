#pragma once

#include "dsp/ReceiveState.h"

#include <array>

// Brings the receive chain's filters into line with the receiver settings: the IF filter's
// band from the mode, the IF filter mode, IFFreq, the AF pass band and the sideband rules;
// the phasing, AF, noise-reducer and sideband filters' edges; each redesigned in a fixed
// order, waiting for the chain to leave its block after each design; finally the IF
// filter's taps go to the analyser's filter curve. Returns at once while a call is under
// way. A failure ends the call there: the filters not yet reached keep their design.
// A redesign for a mode other than the last one's starts that mode in the chain
// (FiltersDesignedFor, dsp/ModeChange.h).
void MakeFilters();

// Whether the audio of the mode lies above IFFreq in the IF: USB does when the side flag is
// set, LSB when it is clear; the flag is the I/Q image choice on an I/Q receiver, the
// injection side otherwise. The double-sideband modes carry it on both sides and are
// answered for their upper sideband, as USB.
bool SidebandAboveIF(int32_t mode);

inline bool InMakeFilters = false;
inline std::array<float, BlockSize> FilterCurveCoeffs{};   // the IF filter's taps for the analyser
