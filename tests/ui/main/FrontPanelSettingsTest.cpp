#include "MainWindowRig.h"
#include "audio/QELVODX8.h"
#include "core/Globals.h"
#include "core/PublicVars.h"
#include "core/frmLog.h"
#include "dsp/QELVO.h"
#include "platform/AppPaths.h"
#include "ui/main/MainWindowSettings.h"

#include <QFile>
#include <QListWidget>

#include <functional>
#include <QRegularExpression>

namespace {

class MainWindowSettings : public MainWindowRig
{
protected:
    // Closes the window (which saves), runs the change on the store and the values, and
    // starts a window again on them.
    void Restart(const std::function<void()>& whileClosed = [] {})
    {
        window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        whileClosed();
        HardwareObjects::CreateHardwareObjects();
        window = std::make_unique<frmMain>();
    }

    // The keys of the window's section in the order the file holds them.
    static QStringList StoredKeys()
    {
        QFile file(QString::fromStdString(AppPaths::SettingsFilePath()));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QStringList keys;
        bool inSection = false;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QRegularExpression("\r?\n"))) {
            if (line.startsWith('['))
                inSection = line == "[frmMain]";
            else if (inSection && line.contains('='))
                keys << line.section('=', 0, 0);
        }
        return keys;
    }

    static void Store(const std::string& key, const std::string& text) { Settings::SaveSetting("frmMain", key, text); }
};

TEST_F(MainWindowSettings, ClosingWritesAll41KeysInTheirOrder)
{
    const QStringList expected = {
        "SDRModelNo", "SDRBackgroundColour", "SDRFrameFocusColour", "SDRFrameNormalColour", "SDRLabelColour",
        "SDRTuningColour", "ScrollableLabelFocusColour", "ScrollableLabelNormalColour", "CurrentMainBandIndex",
        "NoiseFloor", "DisplayMode", "PerfStatsOn", "UseSPL", "ShaftAutoRate", "EnableShaftEncoder",
        "ScrollWheelEnableOverScope", "ScopeSource", "NBOn", "NB", "CurrentPlaybackDevice", "CurrentCaptureDevice",
        "CurrentPlaybackDeviceName", "CurrentCaptureDeviceName", "AutoDDSRefresh", "MouseOverS.HiLiteBorder", "KBDSupport", "DRM.RunDreamOnDRM", "DRM.MuteAFOnDRM",
        "DRM.CloseSoundcardOnDRM", "DRM.PathToDream", "DRM.DreamProgArgs", "DRM.DreamWindowStyle",
        "DRM.DreamCloseOnExit", "DRM.DreamCloseOnModeChange", "AutoTrackPresets", "FormCaptionOffOnPwrOn",
        "AutoStartSDR", "SaveRecordingsPath", "PhaseBitCorrection", "FlipIQ", "DDSIFType"};
    window->SMeter->NoiseFloor = 12.345678f;
    Restart();
    EXPECT_EQ(StoredKeys(), expected);
    EXPECT_EQ(Settings::GetSetting("frmMain", "NoiseFloor"), "1234567") << "whole hundred-thousandths, floored";
    EXPECT_EQ(Settings::GetSetting("frmMain", "AutoDDSRefresh"), "False");
    EXPECT_EQ(Settings::GetSetting("frmMain", "DDSIFType"), "0");
}

// A stored noise floor that single precision cannot give back exactly is written back as it
// was read, run after run.
TEST_F(MainWindowSettings, AStoredNoiseFloorSurvivesEveryRun)
{
    Restart([] { Store("NoiseFloor", "6470737"); });
    for (int run = 0; run < 3; ++run) {
        Restart();
        EXPECT_EQ(Settings::GetSetting("frmMain", "NoiseFloor"), "6470737") << "run " << run;
    }
}

// Every key read back, each in its own text form (the path under a key spelt in other case).
TEST_F(MainWindowSettings, StartUpRestoresThe30Keys)
{
    const std::pair<const char*, const char*> stored[] = {
        {"CurrentMainBandIndex", "3"}, {"NoiseFloor", "1500000"}, {"DisplayMode", "3"}, {"ScopeSource", "2abc"},
        {"PerfStatsOn", "TRUE"}, {"UseSPL", "True"}, {"ShaftAutoRate", "-1"}, {"EnableShaftEncoder", "true"},
        {"ScrollWheelEnableOverScope", "True"}, {"CurrentPlaybackDevice", "2"}, {"CurrentCaptureDevice", "1"},
        {"CurrentPlaybackDeviceName", "hw:0,0"}, {"CurrentCaptureDeviceName", "hw:0,0"},
        {"MouseOverS.HiLiteBorder", "True"}, {"DRM.RunDreamOnDRM", "True"}, {"DRM.MuteAFOnDRM", "True"},
        {"DRM.CloseSoundcardOnDRM", "True"}, {"DRM.PathToDream", "/opt/dream/dream"}, {"DRM.DreamProgArgs", "-p"},
        {"DRM.DreamWindowStyle", "3"}, {"DRM.DreamCloseOnExit", "0"}, {"DRM.DreamCloseOnModeChange", "True"},
        {"KBDSupport", "True"}, {"AutoTrackPresets", "false"}, {"FormCaptionOffOnPwrOn", "True"},
        {"AutoStartSDR", "False"}, {"SAVERECORDINGSPATH", "/data/rec"}, {"PhaseBitCorrection", "True"},
        {"FlipIQ", "True"}, {"SDRModelNo", "0"}};
    Restart([&] {
        for (const auto& [key, text] : stored)
            Store(key, text);
    });
    EXPECT_EQ(CurrentMainBandIndex, 3);
    EXPECT_FLOAT_EQ(window->SMeter->NoiseFloor, 15.0f);
    EXPECT_EQ(DisplayMode, 3);
    EXPECT_EQ(ScopeSource, 2);
    EXPECT_FALSE(QELVO::UseSPL) << "no vector library to use";
    EXPECT_TRUE(PerfStatsOn && ShaftAutoRate && EnableShaftEncoder && ScrollWheelEnableOverScope && HiLiteBorder);
    EXPECT_TRUE(RunDreamOnDRM && MuteAFOnDRM && CloseSoundcardOnDRM && DreamCloseOnModeChange && KBDSupport);
    EXPECT_TRUE(FormCaptionOffOnPwrOn && PhaseBitCorrection && FlipIQ);
    EXPECT_FALSE(AutoTrackPresets || AutoStartSDR || PublicVars::DreamCloseOnExit);
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDevice(), 2);
    EXPECT_EQ(window->SoundCard->CurrentCaptureDevice(), 2) << "the stored name decides";
    EXPECT_EQ(window->SoundCard->CurrentCaptureDeviceName(), "hw:0,0");
    EXPECT_EQ(PublicVars::PathToDream, "/opt/dream/dream");
    EXPECT_EQ(PublicVars::DreamProgArgs, "-p");
    EXPECT_EQ(DreamWindowStyle, 3);
    EXPECT_EQ(SaveRecordingsPath, "/data/rec");
}

// A first run: the table's defaults, and the values in force where the default is the
// value in force; a text that does not convert is skipped, a number out of range gives the
// default.
TEST_F(MainWindowSettings, AnEmptySectionGivesTheDefaultsAndBadTextLeavesTheValue)
{
    Restart([] {
        QFile::remove(QString::fromStdString(AppPaths::SettingsFilePath()));
        Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");   // no port needed
        Store("ScopeSource", "abc");
        Store("DisplayMode", "abc");
        Store("DRM.DreamWindowStyle", "7");
        Store("SDRModelNo", "x1");
        AutoTrackPresets = PerfStatsOn = false;
        PublicVars::DreamCloseOnExit = false;
        DreamWindowStyle = 2;
        PhaseBitCorrection = FlipIQ = true;
        CurrentMainBandIndex = 5;
        ScopeSource = 3;
    });
    EXPECT_EQ(ScopeSource, 0) << "no leading number: 0";
    EXPECT_EQ(DisplayMode, 3) << "the full size in force until the settings are read";
    EXPECT_EQ(SDRModelNo, 0);
    EXPECT_TRUE(AutoTrackPresets && PublicVars::DreamCloseOnExit);
    EXPECT_FALSE(PerfStatsOn);
    EXPECT_EQ(DreamWindowStyle, 1);
    EXPECT_FLOAT_EQ(window->SMeter->NoiseFloor, 10.0f);
    EXPECT_TRUE(PhaseBitCorrection && FlipIQ);
    EXPECT_EQ(CurrentMainBandIndex, 5);
    EXPECT_EQ(SaveRecordingsPath, AppPaths::ProgramFolder());
    PhaseBitCorrection = FlipIQ = false;
}

TEST_F(MainWindowSettings, TheStoredColourSchemeIsReadAtStartUp)
{
    PublicVars::SetColourSchemeDefaults();
    const int32_t label = PublicVars::SDRColourSchemes.SDRLabelColour;
    Restart([] {
        Store("SDRTuningColour", "65280");
        Store("SDRLabelColour", "abc");
    });
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRTuningColour, 0x00FF00);
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRLabelColour, label);
    PublicVars::SDRColourSchemes = {};
}

// A number that names no listed device (a junk value, or a card unplugged) is kept as stored
// where no name is stored with it, and written back so; beside a stored name it is held to 1
// with one trace line. A stored name is kept even while its device is missing, and the
// Soundcard tab and the next On name it.
TEST_F(MainWindowSettings, DeviceNumbersOutOfTheListAreKeptWithoutANameAndStoredNamesAreKept)
{
    TraceOn = true;
    frmLog log;
    Restart([] {
        Store("CurrentCaptureDevice", "-3");
        Store("CurrentCaptureDeviceName", "");
        Store("CurrentPlaybackDevice", "14");
        Store("CurrentPlaybackDeviceName", "pulse:usb-card");
    });
    TraceOn = false;
    QStringList held;
    for (int row = 0; row < log.lstLog->count(); ++row)
        if (log.lstLog->item(row)->text().contains(" held to "))
            held << log.lstLog->item(row)->text();
    EXPECT_EQ(held, (QStringList{"frmMain.RestoreSoundDevices:CurrentPlaybackDevice=14 held to 1"}));
    EXPECT_EQ(window->SoundCard->CurrentCaptureDevice(), -3);
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDevice(), 1);
    EXPECT_TRUE(window->SoundCard->PlaybackChoice().Missing());
    Restart();
    EXPECT_EQ(Settings::GetSetting("frmMain", "CurrentCaptureDevice"), "-3");
    EXPECT_EQ(Settings::GetSetting("frmMain", "CurrentCaptureDeviceName"), "");
    EXPECT_EQ(Settings::GetSetting("frmMain", "CurrentPlaybackDevice"), "1");
    EXPECT_EQ(Settings::GetSetting("frmMain", "CurrentPlaybackDeviceName"), "pulse:usb-card");
}

// A settings file from before the device names, whose card is no longer there: On says which
// number is not among the devices found and where to choose another, and the switch goes Off.
TEST_F(MainWindowSettings, AStoredDeviceNumberWithoutANameOutOfTheListIsKeptAndOnNamesIt)
{
    frmMain::CreateSoundBackend = [this] {
        auto backend = std::make_unique<FakeSoundBackend>();
        backend->PlaybackDevices.push_back({"hw:1,0", "USB card"});
        sound = backend.get();
        return backend;
    };
    Restart([] {
        Store("CurrentPlaybackDevice", "9");
        Store("CurrentPlaybackDeviceName", "");   // as a file from before the names
    });
    ASSERT_EQ(window->SoundCard->PlayDevices().size(), 3u);
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDevice(), 9);
    window->Power->optPwr[0]->setChecked(true);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::string& text = boxes.Last().prompt;
    EXPECT_NE(text.find("Playback device number 9 is not among the 3 devices found."), std::string::npos) << text;
    EXPECT_NE(text.find("choose it on the Soundcard tab"), std::string::npos) << text;
    EXPECT_TRUE(window->Power->optPwr[1]->isChecked());
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDevice(), 9);
}

} // namespace
