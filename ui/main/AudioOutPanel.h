#pragma once

#include "ui/main/PanelBuilder.h"
#include "ui/main/PanelHub.h"
#include "ui/main/ScrollLabels.h"

#include <QObject>

class Dial;
class Frame;
class Label;
class QCheckBox;
class QWidget;
class Slider;

// The audio output: the level knob and slider, the level label (value label 10) and the mute
// switch. Knob, slider and label show one level; the level goes to the sound card through the
// value label's apply routine, the mute to the block loop through the receive state.
class AudioOutPanel : public QObject
{
public:
    // Builds the frame and its controls in container, the frame at place (twips).
    AudioOutPanel(QWidget* container, PanelHub& hub, PanelBuilder::Place place);
    AudioOutPanel(const AudioOutPanel&) = delete;
    AudioOutPanel& operator=(const AudioOutPanel&) = delete;

    // The handlers, bound at the start-up's step that binds the window's handlers.
    void Connect();

    void chkMute_Click();
    void dialOutVol_Changing();
    void sldOutVolume_Change();
    void sldOutVolume_MouseDown(int Button);
    // Start-up: the knob and the slider take the volume label's range.
    void InitialiseVolumeKnob();
    void InitialiseVolumeSlider();

    Frame* frAFOut = nullptr;
    QCheckBox* chkMute = nullptr;
    Dial* dialOutVol = nullptr;
    Slider* sldOutVolume = nullptr;
    Label* lblOutVol = nullptr;

private:
    PanelHub& hub_;
    ScrollLabelBinding scrollLabelBinding_;
    bool dialOutVolBusy_ = false;
    bool volumeBusy_ = false;
};
