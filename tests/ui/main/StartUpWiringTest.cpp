#include "MainWindowRig.h"
#include "audio/QELVODX8.h"
#include "audio/TrackLog.h"
#include "audio/clsWavFile.h"
#include "ui/common/Label.h"

namespace {

// The rig's window closed (it saves as it goes), then a window started afresh on what the
// store and the receive chain hold by then.
class StartUpWiring : public MainWindowRig
{
protected:
    void Close()
    {
        window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void Start()
    {
        HardwareObjects::CreateHardwareObjects();
        window = std::make_unique<frmMain>();
    }
};

// The recorder starts with its stored settings and stores them again at exit, and a
// recording begins with a track on the tuned frequency.
TEST_F(StartUpWiring, TheRecorderKeepsItsSettingsAndLogsItsFirstTrackOnTheTunedFrequency)
{
    Close();
    Settings::SaveSetting("WavFile", "Decimator", "4");
    Settings::SaveSetting("WavFile", "BitsPerSample", "8");
    Start();
    EXPECT_EQ(window->WavFile->Decimator(), 4);
    EXPECT_EQ(window->WavFile->BitsPerSample(), 8);
    EXPECT_EQ(window->optRecordSampleRate.Selected(), 2) << "the options show the stored rate and width";
    EXPECT_EQ(window->optRecordSamplePerBit.Selected(), 1);
    EXPECT_EQ(window->lblRecordMBytesPerHr->text(), "82");
    EXPECT_EQ(window->TransportPattern(), "1000000100");

    VFO->TunedFrequency(70500000);
    ASSERT_EQ(window->WavFile->OpenRecording(), 0);
    ASSERT_GE(TrackLog.size(), 2u);
    EXPECT_EQ(TrackLog[0].F, 70500000);
    EXPECT_EQ(TrackLog[0].S, 44);
    window->WavFile->CloseRecording();

    Close();
    EXPECT_EQ(Settings::GetSetting("WavFile", "Decimator"), "4");
    EXPECT_EQ(Settings::GetSetting("WavFile", "BitsPerSample"), "8");
    Start();
}

// The sound card takes the receive chain's output level as soon as it is configured: an
// attenuation as it stands, a gain (applied to the samples) as full level.
TEST_F(StartUpWiring, TheSoundCardStartsAtTheOutputLevel)
{
    for (const auto& [level, decibels] : {std::pair{-2500.0f, -25}, std::pair{3.0f, 0}}) {
        Close();
        OutputAttenuation = level;
        Start();
        EXPECT_EQ(window->SoundCard->OutputAttenuation(), decibels) << level;
    }
}

} // namespace
