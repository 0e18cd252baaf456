#pragma once

#include <cstdint>
#include <functional>
#include <string>

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

    // The band plan's requests: a stored state is put in force control by control, in the order
    // of a user's clicks, and read back from the receive state.
    // Answered by the frequency display and tuning: tune to a frequency stored as shown
    // (tenths of a hertz) and show it; the tuning step from the table, even while locked.
    std::function<void(int32_t tenths)> TuneToStored = [](int32_t) {};
    std::function<void(int32_t index, bool unlock)> SetTuneStep = [](int32_t, bool) {};
    // Answered by the receive controls (each setting runs the control's handler).
    std::function<void(bool lowSide)> SetLowSideLO = [](bool) {};
    std::function<void(int index)> SelectMode = [](int) {};
    std::function<void(int index)> SelectFilter = [](int) {};
    std::function<void(bool on)> SetMusicMode = [](bool) {};
    std::function<void(bool on)> SetDynFilter = [](bool) {};
    std::function<void(bool on)> SetIFFilterOn = [](bool) {};
    std::function<void(int index)> SelectIFFilter = [](int) {};
    std::function<void(bool on)> SetNotchOn = [](bool) {};
    std::function<void(bool ifType)> SetNotchType = [](bool) {};
    std::function<void(int index)> SelectNotchMode = [](int) {};
    std::function<void(bool on)> SetNotchAuto = [](bool) {};
    std::function<void(bool on)> SetNotchMirror = [](bool) {};
    std::function<void(bool on)> SetAGCOn = [](bool) {};
    std::function<void(int index)> SelectAGC = [](int) {};
    std::function<bool()> NotchMirrored = [] { return false; };
    // The mode's and the filter's button captions without their access keys ("" for no button).
    std::function<std::string(int index)> ModeCaption = [](int) { return std::string(); };
    std::function<std::string(int index)> FilterCaption = [](int) { return std::string(); };
    // Answered by the mode: the DRM decoder is being started.
    std::function<bool()> DecoderStarting = [] { return false; };
    // Answered by the recorder: the tuned frequency into the track log, while there is one.
    std::function<void()> LogTunedFrequency = [] {};
    // Answered by the window: its start-up runs.
    std::function<bool()> WindowLoading = [] { return false; };
};
