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

    // The deferred block work's readings after each block. The S-meter answers the first,
    // the statistics panel the other two.
    std::function<void()> ShowSMeter = [] {};
    std::function<void()> ShowStatistics = [] {};
    std::function<void()> ShowOscillator = [] {};
    // The deferred block work's findings, shown by the receive controls: the received
    // signal's centre (the notch's readout), and the choices the receiver model offers.
    std::function<void(int32_t hertz)> ShowSignalCentre = [](int32_t) {};
    std::function<void(bool shown)> ShowImageChoice = [](bool) {};
    std::function<void(bool offered)> OfferLowSideInjection = [](bool) {};   // unticked when not offered
    std::function<void(bool shown)> ShowSynchronousAM = [](bool) {};
};
