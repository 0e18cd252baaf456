#pragma once

#include <cstdint>
#include <string>

// The tuning state the front panel's tuning inputs share.
inline float TuneRate = 0.0f;         // tenths of a hertz: the step a pending step takes; 0 after a key is released

// The arithmetic of the frequency display and the tuning-step choices, apart from the widgets.
// The display shows nine digits of the frequency in tenths of a hertz: digit 0 is 10 MHz,
// digit 8 is 0.1 Hz.
namespace TuningDisplay {

inline constexpr int DigitCount = 9;

// 10^(8 - digit) tenths of a hertz.
double PlaceValue(int digit);

// "x 10 MHz", "x 2.5 KHz", "x 100 Hz", "x 1 dHz": a step of the given size shown at the unit
// of the digit's group; a digit below 0 has no caption (empty).
std::string TuneRateCaption(int digit, double step);

// The tuning-step list's entry for a step: the number at its unit, padded on the left
// ("  5 Hz", " 10 KHz", "2.5 KHz"); a step outside 0 to 100000 shows as the bare number.
std::string TuningStepEntry(int32_t step);

// The digit whose place value carries a table step, and the multiple of that place value.
struct DigitAndMultiplier
{
    int digit = 0;
    float multiplier = 0.0f;
};
DigitAndMultiplier StepDigit(int32_t index, int32_t step);

// An index past either end of a table of count entries lands on the other end.
int32_t WrapIndex(int32_t index, int32_t count);

// The digits with one unit group zeroed: 0 the megahertz (characters 1 and 2), 1 the
// kilohertz (3 to 5), 2 the hertz (6 to 8); the tenths digit is kept. Any other unit
// changes nothing.
std::string ZeroUnitGroup(std::string digits, int unit);

// The digit whose place value is nearest to a step, held within the nine digits (a step of 0
// or less is the tenths digit).
int DigitOfStep(double step);

// The direction a dial moved from one position to another: -1, 0 or +1. On a dial that wraps,
// passing from one end to the other is one notch on, not a turn back over the whole scale.
int DialDirection(int previous, int current, int min, int max, bool wrap);

} // namespace TuningDisplay

// The frequency display's and tuning controls' own state, kept by the frequency panel.
struct TuningControlState
{
    int32_t LastHoverDigit = 0;      // digit hovered last
    int32_t MarkerDigit = -1;        // digit that carries the marker and the focus colour; -1 none yet
    std::string LastShownDigits;     // digit string shown last
    bool KeyDigitInitialised = false;
    bool KeyStepUnserved = false;    // a display key asked for a step the timer has not made yet
    int32_t TuneStepIndex = 0;       // index into TuningSteps chosen last
    int32_t ShownFrequency = 0;      // tenths of a hertz
    bool DialBusy = false;           // the dial's change handler is running
    int32_t LastDialPosition = 0;    // dial position the handler last took into account
    bool DialMovedByCode = false;    // code is moving the dial: its change is not a user's
    int32_t LastClickedDigit = 0;
    bool ClickEndsDoubleClick = false;   // the release after a double-click is no click of its own
};
