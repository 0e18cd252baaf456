#include "MainWindowRig.h"
#include "audio/QELVODX8.h"
#include "audio/TrackLog.h"
#include "audio/clsWavFile.h"
#include "core/Globals.h"
#include "core/frmLog.h"
#include "ui/common/Label.h"

#include <QListWidget>

#include <algorithm>

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

// With tracing on, the start-up's steps are logged in their fixed order, from ":Start" to
// ":End", the stored options shown before the band is selected and the step list filled
// after it (other lines, of the steps' own routines, may come in between).
TEST_F(StartUpWiring, TheStepsRunInTheirFixedOrder)
{
    Close();
    TraceOn = true;
    frmLog log;
    Start();
    TraceOn = false;
    const std::string prefix = "frmMain.frm:frmMain:Form_Load";
    std::vector<std::string> steps;
    for (int row = 0; row < log.lstLog->count(); ++row)
        if (const std::string line = log.lstLog->item(row)->text().toStdString(); line.rfind(prefix, 0) == 0)
            steps.push_back(line.substr(prefix.size()));
    const std::vector<std::string> order{":Start", ":Resizing", ":Restoring SDR Colour Settings from Registry",
        ":Creating SpectrumAnalyser Object", ":Setting Colour Scheme", ":Creating Wavfile Object",
        ":Initialising cboBandSelect", ":New QELVODX8", ":Initialising FFTReal", " : Initialising Interface Objects",
        ":Restoring SDR Settings", ":Initialising SoundCard Object", ":Select Band in use last time",
        ":Set the last tuned frequency for Spectrum Analyser", ":Call modWheelMouse.init",
        ":Initialise WavFile Object", ":Call tmrPerfStats_Timer", ":Enable TmrTune", ":Enable TmrVFOUpdate",
        ":Enable TmrShaft", ":Enable TmrClock", ":Enable TmrSubBands",
        ":Initialise the Tuning Step Selector Drop Down List", ":Call DarkenControls", ":End"};
    auto next = steps.begin();
    for (const std::string& step : order) {
        next = std::find(next, steps.end(), step);
        ASSERT_NE(next, steps.end()) << "missing or out of order: " << step;
    }
    EXPECT_EQ(steps.front(), ":Start");
    EXPECT_EQ(steps.back(), ":End");
    EXPECT_EQ(window->windowTitle(), "ZOZEVERE - Vantrel RAV1");
}

} // namespace
