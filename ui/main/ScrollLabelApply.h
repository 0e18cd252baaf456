#pragma once

#include <cstdint>

class Dial;
class Slider;
class clsSpectrumAnalyser;

// One pending tuning step up or down, set by the wheel over the spectrum and served by the
// tuning timer at most once per tick.
inline bool TuneUpPending = false;
inline bool TuneDownPending = false;
// The IF filter's edges in use, Hz from the IF.
inline int32_t IFFilterHi = 0;
inline int32_t IFFilterLo = 0;

// The scroll labels' apply routines: each carries its record's Value (ScrollLabels.h) into the
// receiver, the receive chain's values or the captions that depend on it. None takes an
// argument; a guarded routine entered again while it runs (through pumped window messages)
// returns at once.
namespace MouseOverS {

// The companion controls that the noise-reducer and volume routines move with their value;
// the main window connects them at start-up.
struct CompanionControls
{
    Slider* sldNB = nullptr;
    Dial* dialNB = nullptr;
    Slider* sldOutVolume = nullptr;
    Dial* dialOutVol = nullptr;
};
inline CompanionControls Companions;
// The analyser the scope's labels steer; none until the main window connects it.
inline clsSpectrumAnalyser* Analyser = nullptr;

// Set before the frequency display's wheel step moves the tuning dial, so that the dial's
// change handler skips its own tuning once (it clears the flag).
inline bool SkipNextDialChange = false;
inline bool NotchCentreBusy = false;   // shared with the notch-centre slider
inline int32_t NotchPrevWidth = 0;     // Hz: the notch width before the last change
inline float AGCAttack = 0.0f;         // seconds, as shown
inline int32_t AGCDecay = 0;           // milliseconds, as shown

void FreqDisplay_Wheel();        // 1: one VFO tuning step and one dial notch
void lblFilterHi_Wheel();        // 7
void lblFilterLo_Wheel();        // 8
void lblNB_Wheel();              // 9
void lblOutVol_Wheel();          // 10
void lblNotchC_Wheel();          // 11
void lblNotchW_Wheel();          // 12
void lblAGCAttack_Wheel();       // 13
void lblAGCDecay_Wheel();        // 14
void picScope_Wheel();           // 16
void lblIFHi_Wheel();            // 17
void lblIFLo_Wheel();            // 18
void lblBFO_Wheel();             // 20: the receiver incremental tuning (RIT)
void lblIFShift_Wheel();         // 23

// The analyser's labels (ScrollLabelApply_Scope.cpp).
void lblScopeChn1Gain_Wheel();   // 2
void lblScopeChn1Shift_Wheel();  // 3
void lblScopeChn2Gain_Wheel();   // 4
void lblScopeChn2Shift_Wheel();  // 5
void lblScopeXWidth_Wheel();     // 6: the span around the centre, and both captions
void lblScopeXCentre_Wheel();    // 15
void lblSpectrumSmooth_Wheel();  // 19
void lblY1Bright_Wheel();        // 21
void lblY2Bright_Wheel();        // 22
void lblFrameRate_Wheel();       // 24

// The volume label's value as the output level: below -50 an attenuation (1/100 dB) passed
// to the sound card, above 1 a gain of 1 + value / 1000, from -1 to 1 neither; values from
// -50 up to -1 change nothing.
void ApplyOutputVolume();

// The volume knob turns in tenths of a decibel of the level the volume label shows, so that
// a notch of one decibel is a step one hears: the knob position of a label value, and the
// label value at a knob position (not yet held to the label's limits).
int32_t OutputKnobPosition(float value);
float OutputValueAtKnob(int32_t position);

} // namespace MouseOverS
