#include "audio/QELVODX8.h"
#include "core/Globals.h"
#include "core/frmLog.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeSoundBackend.h"
#include "MainWindowSoundFormat.h"

#include <gtest/gtest.h>

#include <QListWidget>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr auto Capture = SoundDirection::Capture;
constexpr auto Playback = SoundDirection::Playback;

const SoundDeviceInfo Default{"default", "Default sound device"};
const SoundDeviceInfo Speakers{"pulse:speakers", "Speakers"};
const SoundDeviceInfo UsbCard{"pulse:usb-card", "USB-Card"};
const SoundDeviceInfo Headset{"pulse:headset", "Headset"};
const SoundDeviceInfo LineIn{"hw:CARD=PCH,DEV=0", "Line in"};

const std::string FirstLine = "Unable to start the sound devices. Check the sound card and the sound server.\n";

// The engine on a fake backend whose device lists a test changes as a desktop does when
// a card or a headset comes and goes.
class SoundDeviceChoosing : public ::testing::Test
{
protected:
    SoundDeviceChoosing()
    {
        backend.PlaybackDevices = {Default, Speakers, UsbCard};
        backend.CaptureDevices = {Default, LineIn};
    }

    // A fresh engine with the main window's format, as at start-up.
    QELVODX8& NewEngine()
    {
        engine = std::make_unique<QELVODX8>(backend);
        UseMainWindowSoundFormat(*engine);
        return *engine;
    }

    std::string OpenedPlayback() { return backend.Of(Playback).Name; }

    // The lines traced while the routine ran.
    static std::vector<std::string> Traced(const std::function<void()>& routine)
    {
        TraceOn = true;
        frmLog log;
        routine();
        TraceOn = false;
        std::vector<std::string> lines;
        for (int row = 0; row < log.lstLog->count(); ++row)
            lines.push_back(log.lstLog->item(row)->text().toStdString());
        return lines;
    }

    FakeSoundBackend backend;
    FakeMessageBoxes boxes;
    std::unique_ptr<QELVODX8> engine;
};

// The user chose "USB-Card", third in the list; then a headset came, and the desktop listed
// it ahead: every opening finds the card by its name, and its number follows it.
TEST_F(SoundDeviceChoosing, TheChosenDeviceIsOpenedByNameWhereverItMovesInTheList)
{
    QELVODX8& sound = NewEngine();
    sound.SetCurrentPlaybackDevice(3);   // a settings file that kept only the number
    sound.StartSound();
    ASSERT_TRUE(sound.InAction());
    EXPECT_EQ(OpenedPlayback(), UsbCard.Name);
    EXPECT_EQ(sound.CurrentPlaybackDeviceName(), UsbCard.Name) << "the device is kept by name from now on";

    backend.PlaybackDevices = {Default, Headset, Speakers, UsbCard};
    sound.StopSound();
    sound.ReleaseDevices();
    std::vector<std::string> lines = Traced([&] { sound.StartSound(); });
    EXPECT_EQ(OpenedPlayback(), UsbCard.Name);
    EXPECT_EQ(sound.CurrentPlaybackDevice(), 4) << "the number the DRM decoder and the settings file read";
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "QELVODX8.Devices:Playback device \"USB-Card\" (pulse:usb-card) is now number 4, was 3"),
              1);
    EXPECT_TRUE(boxes.boxes.empty());

    // The lists read while the card runs (the configuration window opening) move the number too.
    backend.PlaybackDevices = {Default, UsbCard};
    sound.RefreshDevices();
    EXPECT_EQ(sound.CurrentPlaybackDevice(), 2);
    EXPECT_EQ(sound.PlayDevices().size(), 2u);
    EXPECT_TRUE(sound.InAction()) << "a list read touches no stream";
    EXPECT_EQ(OpenedPlayback(), UsbCard.Name);
}

// The card is gone: nothing else is opened in its place, and the box names the card; once
// it is back, the next On plays on it.
TEST_F(SoundDeviceChoosing, AMissingDeviceIsNamedInTheBoxAndNeverReplacedByAnother)
{
    QELVODX8& sound = NewEngine();
    sound.SetCurrentPlaybackDevice(3);
    sound.SetCurrentPlaybackDeviceName(UsbCard.Name);
    backend.PlaybackDevices = {Default, Speakers, Headset};   // the headset took its place
    sound.StartSound();
    EXPECT_FALSE(sound.InAction());
    EXPECT_EQ(OpenedPlayback(), "");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt.rfind(FirstLine + "Playback device \"USB-Card\" (pulse:usb-card) is not among the 3 "
                                                    "devices found: is it plugged in and switched on? To use another "
                                                    "device, choose it on the Soundcard tab",
                                        0),
              0u)
        << boxes.Last().prompt;
    EXPECT_TRUE(sound.PlaybackChoice().Missing());
    EXPECT_EQ(sound.CurrentPlaybackDeviceName(), UsbCard.Name) << "the choice is kept for the card's return";

    backend.PlaybackDevices = {Default, Headset, Speakers, UsbCard};
    sound.StartSound();
    EXPECT_TRUE(sound.InAction());
    EXPECT_EQ(OpenedPlayback(), UsbCard.Name);
    EXPECT_EQ(sound.CurrentPlaybackDevice(), 4);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// A name read from the settings of a device not seen since the program started is named as
// it was stored; a capture device by number alone that is not listed keeps the old words.
TEST_F(SoundDeviceChoosing, ADeviceNeverListedIsNamedByItsStoredName)
{
    QELVODX8& sound = NewEngine();
    sound.SetCurrentCaptureDeviceName("hw:CARD=Device,DEV=0");
    sound.PrepareDevices();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find("Capture device \"hw:CARD=Device,DEV=0\" is not among the 2 devices found"),
              std::string::npos)
        << boxes.Last().prompt;
    EXPECT_FALSE(sound.Prepared());

    sound.SetCurrentCaptureDevice(5);
    sound.PrepareDevices();
    EXPECT_NE(boxes.Last().prompt.find("Capture device number 5 is not among the 2 devices found."), std::string::npos);

    sound.SetCurrentCaptureDevice(2);   // a number in range: the device there, by name from then on
    sound.PrepareDevices();
    EXPECT_TRUE(sound.Prepared());
    EXPECT_EQ(backend.Of(Capture).Name, LineIn.Name);
    EXPECT_EQ(sound.CurrentCaptureDeviceName(), LineIn.Name);
}

} // namespace
