#pragma once

#include <cstdint>
#include <functional>

class Frame;

// What the front panel's panels share. Each panel is given the window's hub when it is built
// and reaches what lies outside it only through the hub: the window-wide services (the value
// labels' and the frames' focus) and the requests one panel makes of another, which the main
// window connects when it composes the panels. No panel reaches into another's controls.
// Every request does nothing until it is connected, so that a panel can be built alone.
struct PanelHub
{
    // The value labels' focus (identifiers as in ScrollLabels.h) and the frames' focus.
    std::function<void(int16_t id)> HiLiteScrollLabel = [](int16_t) {};
    std::function<void(int16_t id)> LoLiteScrollLabel = [](int16_t) {};
    std::function<void()> DarkenControls = [] {};
    std::function<void(Frame* frame)> FocusFrame = [](Frame*) {};
    std::function<void()> UnFocusFrames = [] {};

    // Answered by the statistics panel: the oscillator's output frequency shown anew.
    std::function<void()> ShowOscillator = [] {};
    // Answered by the band plans: the step chosen from the tuning-step list (an index of
    // TuningSteps) becomes the active sub-band's.
    std::function<void(int32_t index)> StoreSubBandTuneStep = [](int32_t) {};
};
