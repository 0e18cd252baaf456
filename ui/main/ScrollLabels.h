#pragma once

#include "dsp/VectorLib.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Dial;
class Label;
class Slider;

// The front panel's scroll labels: numbers the user changes by pointing at them and turning
// the wheel or pressing keys. Each identifier 1 to 24 has one record (element 0 is the
// "nothing focused" record: zero limits and steps, no format, no apply routine). Whoever
// changes a record's Value runs its apply routine, which carries the value into the receiver.

// The copy of the last wheel message acted on. Direction holds the message's wParam as the
// wheel hook builds it: the key-state flags in the low word and the signed wheel delta in the
// high word, so its sign is the direction (above 0: away from the user).
struct WheelMessage
{
    int32_t Message = 0;
    int32_t wParam = 0;
    int32_t X = 0;   // pointer position on the screen, pixels
    int32_t Y = 0;
};

struct ScrollLabelRecord
{
    int16_t ID = 0;
    bool Disabled = false;   // refuses the hover focus and the wheel; keys still act on it
    float Max = 0.0f;
    float Min = 0.0f;
    float Default = 0.0f;
    float Value = 0.0f;
    float CtrlStep = 0.0f;
    float Step = 0.0f;
    float ShiftStep = 0.0f;
    bool Busy = false;        // identifier 9: its apply routine moves the slider and dial
    std::string StepText;     // identifier 16: the wheel's tuning step over the spectrum, Hz
    bool ShowCaption = false; // a key or wheel step rewrites the caption
    std::string Format;       // caption picture; empty: no caption
    ::Label* Label = nullptr;
    VectorLib::Routine ApplyProc = nullptr;
    WheelMessage LastWheelMsg;
    int32_t FocusColour = 0;
    int32_t NormalColour = 0;
};

inline constexpr int16_t ScrollLabelCount = 25;   // identifiers 0 to 24
inline constexpr int16_t lblFilterHiIndex = 7;
inline constexpr int16_t lblFilterLoIndex = 8;
inline constexpr int16_t lblNBIndex = 9;
inline constexpr int16_t lblOutVolIndex = 10;
inline constexpr int16_t lblNotchCIndex = 11;
inline constexpr int16_t lblNotchWIndex = 12;
inline constexpr int16_t lblAGCAttackIndex = 13;
inline constexpr int16_t lblAGCDecayIndex = 14;
inline constexpr int16_t PicScopeIndex = 16;
inline constexpr int16_t lblIFHiIndex = 17;
inline constexpr int16_t lblIFLoIndex = 18;
inline constexpr int16_t lblSpectrumSmoothIndex = 19;
inline constexpr int16_t lblBFOIndex = 20;
inline constexpr int16_t lblY1BrightIndex = 21;
inline constexpr int16_t lblY2BrightIndex = 22;
inline constexpr int16_t lblIFShiftIndex = 23;
inline constexpr int16_t lblFrameRateIndex = 24;

inline std::array<ScrollLabelRecord, ScrollLabelCount> ScrollLabels{};

// A panel's value labels in the records, for as long as the panel lives: the panel that builds
// a label binds it to its identifier, and the records lose it again when the panel goes.
class ScrollLabelBinding
{
public:
    ScrollLabelBinding() = default;
    ScrollLabelBinding(const ScrollLabelBinding&) = delete;
    ScrollLabelBinding& operator=(const ScrollLabelBinding&) = delete;
    ~ScrollLabelBinding();

    void Bind(int16_t id, ::Label* label);

private:
    std::vector<int16_t> bound_;
};

namespace ScrollLabelSteps {

// The modifier a step is taken with.
enum class Modifier { None, Shift, Ctrl };

// Keys: Shift wins over Ctrl. The wheel: Ctrl wins over Shift.
Modifier KeyModifier(bool shift, bool ctrl);
Modifier WheelModifier(bool shift, bool ctrl);

float StepFor(const ScrollLabelRecord& record, Modifier modifier);

// The step rule shared by the keys and the wheel: Value moves by the chosen step up
// (direction above 0) or down (below 0), held at Max or Min when it reaches them; the
// caption is rewritten when the record shows one; the apply routine runs even when the
// clamp left the value where it was.
void StepValue(ScrollLabelRecord& record, int direction, Modifier modifier);

// A stored value held within the record's limits (a record without limits takes any); a
// value that is not a number gives the record's default.
double HeldValue(const ScrollLabelRecord& record, double value);
// The trace line telling that a stored value was held: "<where>:<key>=<value> held to <held>".
std::string HeldNote(const std::string& where, const std::string& key, double value, double held);

// A companion control's range, steps and picture from its value label's record.
void SetCompanionLimits(Slider* slider, const ScrollLabelRecord& record);
void SetCompanionLimits(Dial* dial, const ScrollLabelRecord& record);

// The caption of a record's label: Value in the record's picture.
void ShowValue(const ScrollLabelRecord& record);
// Any number in the record's picture on its label (no label: nothing).
void ShowCaption(const ScrollLabelRecord& record, double value, const std::string& prefix = "");

} // namespace ScrollLabelSteps

// The notch-centre label's range and last value per notch type: 0 the AF notch, 1 the IF
// notch. The notch-type switch swaps the label's limits and value between them.
struct NotchCentreRange
{
    float Max = 0.0f;
    float Min = 0.0f;
    float Value = 0.0f;
};
inline std::array<NotchCentreRange, 2> NotchCentreRanges{};
