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
    // Asked by the power panel, answered by the window: the receiver switched on or off, the
    // window closed.
    std::function<void()> PowerOn = [] {};
    std::function<void()> PowerOff = [] {};
    // Answered by the window: the receiver is on (its sound runs, or is being brought back).
    std::function<bool()> PowerIsOn = [] { return false; };
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
    // Answered by the statistics panel: the oscillator's output frequency shown anew.
    std::function<void()> ShowOscillator = [] {};
    // Answered by the band plans: the step chosen from the tuning-step list (an index of
    // TuningSteps) becomes the active sub-band's.
    std::function<void(int32_t index)> StoreSubBandTuneStep = [](int32_t) {};
    // Asked by the value labels at start-up and on a reset: the noise reducer's slider and knob
    // and the volume's knob and slider take their labels' ranges and start values (answered by
    // the receive controls and the audio output), the tuning dial its range (the frequency
    // display); the slider set to the noise reducer's default; the keyboard to the frequency
    // display, where the window's keys land.
    std::function<void()> InitialiseNoiseReducerSlider = [] {};
    std::function<void()> InitialiseNoiseReducerKnob = [] {};
    std::function<void()> InitialiseVolumeKnob = [] {};
    std::function<void()> InitialiseVolumeSlider = [] {};
    std::function<void()> InitialiseDialTuner = [] {};
    std::function<void(int32_t value)> SetNoiseReducerSlider = [](int32_t) {};
    std::function<void()> TakeKeyboardFocus = [] {};
    // The deferred block work's readings after each block (and the oscillator's, above). The
    // S-meter answers the first, the statistics panel the second.
    std::function<void()> ShowSMeter = [] {};
    std::function<void()> ShowStatistics = [] {};
    // The deferred block work's findings, shown by the receive controls: the received
    // signal's centre (the notch's readout), and the choices the receiver model offers.
    std::function<void(int32_t hertz)> ShowSignalCentre = [](int32_t) {};
    std::function<void(bool shown)> ShowImageChoice = [](bool) {};
    std::function<void(bool offered)> OfferLowSideInjection = [](bool) {};   // unticked when not offered
    std::function<void(bool shown)> ShowSynchronousAM = [](bool) {};
};
