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

    // Asked by the power panel, answered by the window: the receiver switched on or off, the
    // window closed.
    std::function<void()> PowerOn = [] {};
    std::function<void()> PowerOff = [] {};
    std::function<void()> CloseWindow = [] {};
    // Asked by the power panel, answered by the display-size panel: a size chosen as its button would.
    std::function<void(int size)> SelectDisplaySize = [](int) {};
    // Asked by the display-size panel, answered by the power panel: the way back from the
    // smallest size shown only there.
    std::function<void(bool shown)> ShowMoreControls = [](bool) {};
    // Asked by the display-size panel, answered by the window: the kept size let go, the client
    // area cut at a size's marker line, the size the window came to kept.
    std::function<void()> ReleaseWindowSize = [] {};
    std::function<void(int size)> CutWindowAtSize = [](int) {};
    std::function<void()> KeepWindowSize = [] {};
    // Asked by the display-size panel: the analyser off (answered by the window); the analyser
    // and the statistics following their check boxes again (answered by whoever owns each box).
    std::function<void()> StopAnalyser = [] {};
    std::function<void()> ApplyAnalyserSwitch = [] {};
    std::function<void()> ApplyStatisticsSwitch = [] {};
};
