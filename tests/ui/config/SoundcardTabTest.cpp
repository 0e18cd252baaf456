#include "ConfigRig.h"

#include "audio/QELVODX8.h"
#include "ui/main/PowerPanel.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr auto Capture = SoundDirection::Capture;
constexpr auto Playback = SoundDirection::Playback;
const SoundDeviceInfo Headset{"pulse:headset", "Headset"};

class SoundcardTab : public ConfigRig
{
protected:
    // A headset that the desktop lists ahead of the speakers.
    void PlugInHeadset() { sound->PlaybackDevices.insert(sound->PlaybackDevices.begin() + 1, Headset); }
};

// A device plugged in while the window was hidden is offered at its next showing; the entry
// the user left selected at Cancel stays selected.
TEST_F(SoundcardTab, TheListsAreReadAgainAtEveryShowing)
{
    frmConfig* config = Open();
    EXPECT_EQ(config->cboPlayDevices->count(), 2);
    Choose(config->cboCapDevices, "Line in");
    config->cmdCancel->click();
    PlugInHeadset();
    ASSERT_EQ(Open(), config);
    ASSERT_EQ(config->cboPlayDevices->count(), 3);
    EXPECT_EQ(config->cboPlayDevices->itemText(1), "Headset  [pulse:headset]");
    EXPECT_EQ(config->cboPlayDevices->currentIndex(), 0) << "the device in force";
    EXPECT_EQ(config->cboCapDevices->currentText(), "Line in  [hw:0,0]") << "the cancelled pick";
}

// The user picks the speakers; the headset comes ahead of them before Apply: Apply opens the
// speakers, the device picked, and a later Apply without a new pick restarts nothing even
// though the speakers' number has changed.
TEST_F(SoundcardTab, APickIsAppliedByNameThoughTheListShiftedMeanwhile)
{
    window->Power->optPwr[0]->setChecked(true);
    frmConfig* config = Open();
    Choose(config->cboPlayDevices, "Speakers");
    PlugInHeadset();
    config->cmdApply->click();
    EXPECT_EQ(sound->Of(Playback).Name, "hw:0,0");
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDevice(), 3);
    EXPECT_TRUE(window->SoundCard->InAction());

    const int starts = sound->Of(Capture).Starts;
    sound->PlaybackDevices.erase(sound->PlaybackDevices.begin() + 1);
    config->cmdOK->click();
    ASSERT_EQ(Open(), config);
    EXPECT_EQ(config->cboPlayDevices->currentText(), "Speakers  [hw:0,0]");
    EXPECT_EQ(config->InitialPlaybackDevice, 2);
    config->cmdOK->click();
    EXPECT_EQ(sound->Of(Capture).Starts, starts) << "the same devices: no restart";
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
    window->Power->optPwr[1]->setChecked(true);
}

// The chosen card is unplugged: the tab shows it, selected, as not found; an Apply of another
// capture device keeps it chosen (and the box names it); picking another playback device
// applies that one.
TEST_F(SoundcardTab, AMissingChosenDeviceIsShownAndKeptUntilAnotherIsPicked)
{
    window->SoundCard->SetCurrentPlaybackDeviceName("pulse:usb-card");
    frmConfig* config = Open();
    ASSERT_EQ(config->cboPlayDevices->count(), 3);
    EXPECT_EQ(config->cboPlayDevices->currentText(), "pulse:usb-card  (not found)");

    Choose(config->cboCapDevices, "Line in");
    config->cmdApply->click();
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDeviceName(), "pulse:usb-card");
    EXPECT_EQ(window->SoundCard->CurrentCaptureDeviceName(), "hw:0,0");
    EXPECT_FALSE(window->SoundCard->Prepared());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find("Playback device \"pulse:usb-card\" is not among the 2 devices found"),
              std::string::npos)
        << boxes.Last().prompt;

    Choose(config->cboPlayDevices, "Speakers");
    config->cmdApply->click();
    EXPECT_TRUE(window->SoundCard->Prepared());
    EXPECT_EQ(sound->Of(Playback).Name, "hw:0,0");
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDevice(), 2);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

} // namespace
