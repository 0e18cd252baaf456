#pragma once

#include <QRect>

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

    // Asked by the receive controls; answered by the main window, which owns the sound card
    // and the power buttons: the card handed to the DRM decoder on entering DRM (when the
    // settings say so), taken back on leaving it while the receiver is on, and the devices in
    // use that the decoder is started on.
    std::function<void()> HandSoundCardToDecoder = [] {};
    std::function<void()> TakeBackSoundCard = [] {};
    std::function<int32_t()> CaptureDevice = [] { return int32_t{0}; };
    std::function<int32_t()> PlaybackDevice = [] { return int32_t{0}; };
    // Asked by the receive controls; answered by the analyser: the notch curve shown or not.
    std::function<void(bool shown)> ShowNotchCurve = [](bool) {};
    // Asked by the receive controls; answered by the frequency display: the digits shown, and
    // the oscillator tuned so that the display shows the given frequency on the image in force.
    std::function<void(const std::string& digits)> ShowFrequency = [](const std::string&) {};
    std::function<void(int32_t shown)> TuneShownFrequency = [](int32_t) {};
    // Answered by the block loop: a block is being processed (disk work waits for it).
    std::function<bool()> BlockLoopBusy = [] { return false; };
    // Answered by the power switch: selects 0 On or 1 Off, as a press of that button does.
    std::function<void(int index)> SelectPower = [](int) {};
    // Answered by the presets: where their frame lies and its back colour (the recorder's
    // track list is laid over it).
    std::function<QRect()> PresetsFrameGeometry = [] { return QRect(); };
    std::function<uint32_t()> PresetsBackColour = [] { return 0u; };
};
