#include "MainWindowRig.h"
#include "audio/QELVODX8.h"
#include "audio/TrackLog.h"
#include "audio/clsWavFile.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "platform/AppPaths.h"
#include "core/frmLog.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSerialLines.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabels.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "radio/clsVFO.h"
#include "core/PublicVars.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QRegularExpression>

#include <algorithm>

#include <unistd.h>

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
    EXPECT_EQ(window->Recorder->WavFile->Decimator(), 4);
    EXPECT_EQ(window->Recorder->WavFile->BitsPerSample(), 8);
    EXPECT_EQ(window->Recorder->optRecordSampleRate.Selected(), 2) << "the options show the stored rate and width";
    EXPECT_EQ(window->Recorder->optRecordSamplePerBit.Selected(), 1);
    EXPECT_EQ(window->Recorder->lblRecordMBytesPerHr->text(), "82");
    EXPECT_EQ(window->Recorder->TransportPattern(), "1000000100");

    VFO->TunedFrequency(70500000);
    ASSERT_EQ(window->Recorder->WavFile->OpenRecording(), 0);
    ASSERT_GE(TrackLog.size(), 2u);
    EXPECT_EQ(TrackLog[0].F, 70500000);
    EXPECT_EQ(TrackLog[0].S, 44);
    window->Recorder->WavFile->CloseRecording();

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

// The scroll labels' set-up, record by record, as the start-up traces it.
const std::vector<std::string> ScrollLabelSteps{":Initialising MouseOverS",
    ":Initialising 7Segment Display Tuning", ":Initialising dialtuner", ":Initialising CtlArray(2)",
    ":Initialising CtlArray(3)", ":Initialising CtlArray(4)", ":Initialising CtlArray(5)",
    ":Initialising CtlArray(7)", ":Initialising CtlArray(8)", ":Initialising CtlArray(9)", ":Initialising sldNB",
    ":Initialising dialNB", ":Initialising ctlArray(10)", ":Initialising dialOutVol", ":Initialising sldOutVolume",
    ":Initialising ctlArray(11)", ":Initialising ctlArray(12)", ":Initialising ctlArray(13)",
    ":Initialising ctlArray(14)", ":Initialising ctlArray(15)", ":Initialising CtlArray(6)",
    ":Initialising ctlArray(PicScopeIndex)", ":Initialising ctlArray(17)", ":Initialising ctlArray(18)",
    ":Initialising Spectrum Analyser Averaging - ctlArray(lblSpectrumSmoothIndex)",
    ":Initialising Spectrum Analyser FrameRate - ctlArray(lblFrameRateIndex)",
    ":Initialising lblIFShift - ctlArray(lblIFShiftIndex)", ":Initialising lblBFO - ctlArray(lblBFOIndex)",
    ":Initialising lblY1Bright - ctlArray(lblY1BrightIndex)",
    ":Initialising lblY2Bright - ctlArray(lblY2BrightIndex)"};

const std::vector<std::string> StepsBeforeScrollLabels{":Start", ":Resizing",
    ":Restoring SDR Colour Settings from Registry", ":Creating SpectrumAnalyser Object", ":Making frmMain Visible",
    ":Setting Colour Scheme", ":Creating Wavfile Object", ":Positioning Presets"};

const std::vector<std::string> StepsAfterScrollLabels{":Initialising cboBandSelect", ":Initialising optSubBand",
    ":Initialising optPreset", ":New QELVODX8", ":VB.Load frmDX8Events", ":New clsFFTReal", ":Initialising FFTReal",
    " : Initialising Interface Objects", ":Initialising sldAGCAttack", ":Initialising sldAGCDecay",
    ":Initialising SpectrumAnalyser", ":Initialising Variable Filter Default Values (0)",
    ":Initialising Variable Filter Default Values (1)", ":Initialising Variable Filter Default Values (2)",
    ":Initialising Variable Filter Default Values (3)", ":Initialising Variable Filter Default Values (4)",
    ":Initialising Variable AGC Default Values (1)", ":Initialising Variable AGC Default Values (2)",
    ":Initialising Variable AGC Default Values (3)", ":Initialising Variable IF Filter Default Values (0)",
    ":Initialising NotchFilter Default Values", ":Restoring SDR Settings", ":Initialising SoundCard Object",
    ":Set OutputLevel Attenuator to PublicVars.OutputAttenuation", ":Select Band in use last time",
    ":Set the last tuned frequency for Spectrum Analyser", ":Call modWheelMouse.init",
    ":Set up default values in the AGC delayline", ":Call MouseOverS.lblFilterHi_Wheel",
    ":Call MouseOverS.lblFilterLo_Wheel", ":Initialise WavFile Object", ":Call tmrPerfStats_Timer",
    ":Enable Power Butons", ":Enable TmrTune", ":Enable TmrVFOUpdate", ":Enable TmrShaft", ":Enable TmrClock",
    ":Enable TmrSubBands", ":Initialise the Tuning Step Selector Drop Down List", ":Call DarkenControls", ":End"};

// With tracing on, a start logs every one of its step texts once, in the fixed order, the
// scroll labels' set-up in its place among them; the stored settings are read after the
// default tables and before the sound card is configured.
TEST_F(StartUpWiring, TheStepsRunInTheirFixedOrder)
{
    Close();
    TraceOn = true;
    frmLog log;
    Start();
    TraceOn = false;
    const std::string prefix = "frmMain.frm:frmMain:Form_Load";
    std::vector<std::string> steps;
    std::vector<std::string> lines;
    for (int row = 0; row < log.lstLog->count(); ++row) {
        const std::string line = log.lstLog->item(row)->text().toStdString();
        lines.push_back(line);
        if (line.rfind(prefix, 0) == 0)
            steps.push_back(line.substr(prefix.size()));
    }
    std::vector<std::string> order = StepsBeforeScrollLabels;
    order.insert(order.end(), ScrollLabelSteps.begin(), ScrollLabelSteps.end());
    order.insert(order.end(), StepsAfterScrollLabels.begin(), StepsAfterScrollLabels.end());
    EXPECT_EQ(steps, order);

    const auto at = [&lines](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) - lines.begin();
    };
    EXPECT_LT(at(prefix + ":Initialising NotchFilter Default Values"), at("RestoreSettings : Start"));
    EXPECT_LT(at("RestoreSettings : End"), at(prefix + ":Initialising SoundCard Object"));
    // The receiver's set-up runs inside its own pair of lines, within the interface objects' step.
    const std::vector<std::ptrdiff_t> setUp{at(prefix + " : Initialising Interface Objects"),
        at("frmMain.InitialiseRX:Start"), at("modSetupRx.InitialiseRX:Start"), at("modSetupRx.InitialiseRX:End"),
        at("frmMain.InitialiseRX:End"), at(prefix + ":Initialising sldAGCAttack")};
    EXPECT_TRUE(std::is_sorted(setUp.begin(), setUp.end())) << ::testing::PrintToString(setUp);
    EXPECT_LT(setUp.back(), static_cast<std::ptrdiff_t>(lines.size()));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "frmMain.InitialiseRX:End"), 1);
    EXPECT_EQ(window->windowTitle(), "ZOZEVERE - Vantrel RAV1");
}

// The AGC sliders start at 100 and 40 with ten ticks over their range, their handlers run;
// the AF buttons 2 and 3 read their bandwidths, the oscillator's clock and the IF are shown,
// the display timer redraws at 100 ms while the receiver is off, the caption bar starts
// hidden when it is to be hidden while receiving, and the statistics name the window's thread.
TEST_F(StartUpWiring, TheControlsStartAsTheStartUpSetsThem)
{
    Close();
    Settings::SaveSetting("frmMain", "FormCaptionOffOnPwrOn", "True");
    Start();
    EXPECT_EQ(window->Receive->sldAGCAttack->Value(), 100);
    EXPECT_EQ(window->Receive->sldAGCAttack->pageStep(), 100);
    EXPECT_EQ(window->Receive->sldAGCAttack->singleStep(), 50);
    EXPECT_EQ(window->Receive->sldAGCDecay->Value(), 40);
    EXPECT_EQ(window->Receive->sldAGCDecay->pageStep(), 199);
    EXPECT_EQ(window->Receive->sldAGCDecay->singleStep(), 100) << "half of 199, half to even";
    EXPECT_EQ(window->Receive->sldAGCAttack->toolTip(), "AGC Attack=10 S") << "the handler ran";
    EXPECT_EQ(window->Receive->sldAGCDecay->toolTip(), "AGC Decay=4 mS");
    EXPECT_EQ(window->Receive->optFilter[2]->text(), "2.0 kHz");
    EXPECT_EQ(window->Receive->optFilter[3]->text(), "3.0 kHz");
    EXPECT_FALSE(window->lblCLKINFreq->text().isEmpty());
    EXPECT_EQ(window->lblIFFreq->text().remove(' ').toInt(), VFO->IFFrequency());
    EXPECT_TRUE(window->Loop->tmrSpectrumDisplay.isActive());
    EXPECT_EQ(window->Loop->tmrSpectrumDisplay.interval(), 100);
    EXPECT_TRUE(TitleBarHidden);
    EXPECT_EQ(window->Statistics->lblStatsVal[9]->text(), QString::number(gettid())) << "the window's thread";
    EXPECT_TRUE(window->Statistics->lblStatsVal[6]->isHidden());
    Settings::SaveSetting("frmMain", "FormCaptionOffOnPwrOn", "False");
    FormCaptionOffOnPwrOn = false;
}

// The power buttons are out of the user's reach while the start-up runs, so a click on On
// then does nothing; the start-up enables them.
TEST_F(StartUpWiring, ThePowerButtonsAreEnabledOnlyWhenTheStartUpIsThrough)
{
    Close();
    std::vector<bool> enabledWhileStarting;
    // Runs when the start-up first lets window messages through.
    QMetaObject::invokeMethod(
        qApp,
        [&enabledWhileStarting] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* starting = qobject_cast<frmMain*>(top)) {
                    for (QAbstractButton* button : starting->Power->optPwr)
                        enabledWhileStarting.push_back(button->isEnabled());
                    starting->Power->optPwr[0]->click();
                }
            }
        },
        Qt::QueuedConnection);
    Start();
    EXPECT_EQ(enabledWhileStarting, std::vector<bool>(3, false));
    EXPECT_FALSE(window->Power->optPwr[0]->isChecked()) << "the click while starting powered nothing on";
    for (QAbstractButton* button : window->Power->optPwr)
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
}

// A receiver with a crystal for its oscillator, tuned above the crystal's frequency, starts
// on the upper image of its I/Q pair, its stored frequency twice the IF lower, so that it
// still shows and receives the frequency tuned; tuned at the crystal's frequency it stays on
// the lower image. The image box sits in the low-side box's place, red while cleared.
TEST_F(StartUpWiring, ACrystalReceiverTunedAboveItsCrystalStartsOnTheUpperImage)
{
    const std::string model = "IQ,Crystal Controlled";
    RXDefinitions::Initialise();
    const auto& models = RXDefinitions::RXModels;
    const auto row = std::find_if(models.begin(), models.end(), [&](const RXModelRecord& r) { return r.Name == model; });
    ASSERT_NE(row, models.end());
    const int32_t crystalHz = row->XtalFrequency / row->OscMultiplier * row->PLLMultiplier;
    for (const int32_t tunedHz : {crystalHz + 1000, crystalHz}) {
        Close();
        Settings::SaveSetting("frmMain", "SDRModelNo", std::to_string(row->Index));
        Settings::SaveSetting("RXModel." + model, "TunedFrequency", std::to_string(10 * tunedHz));
        Settings::SaveSetting("RXModel." + model, "IQSelectUpper", "");   // settings from before the image was kept
        IQSelectUpper = false;   // as a program starts
        Start();
        ASSERT_FALSE(VFOControl);
        const bool above = tunedHz > crystalHz;
        EXPECT_EQ(window->Receive->chkIQSelectUpper->isChecked(), above) << tunedHz;
        EXPECT_EQ(IQSelectUpper, above) << tunedHz;
        EXPECT_EQ(VFO->TunedFrequency(), 10 * tunedHz);
        VFO->SaveSettings();
        EXPECT_EQ(Settings::GetSetting("RXModel." + model, "TunedFrequency"),
                  std::to_string(10 * (above ? tunedHz - 2 * VFO->IFFrequency() : tunedHz)));
        EXPECT_EQ(window->Receive->chkIQSelectUpper->pos(), window->Receive->chkTuneLo->pos());
    }
    EXPECT_EQ(FormControls::ForeColour(window->Receive->chkIQSelectUpper), 0x0000FFu);
}

// Stored clocks that no oscillator can work with, for every model, and a crystal receiver
// whose stored clock is far above the sound card's rate with a frequency far off its crystal:
// the window starts, holding what it cannot represent at its limits (a conversion out of
// range would stop the sanitized test), and shows a frequency within the receiver's range.
class StoredClocks : public StartUpWiring, public ::testing::WithParamInterface<size_t>
{
protected:
    void StartWith(const RXModelRecord& row, const std::string& clock, const std::string& tuned)
    {
        Close();
        const std::string section = "RXModel." + row.Name;
        Settings::SaveSetting("frmMain", "SDRModelNo", std::to_string(row.Index));
        Settings::SaveSetting(section, "DDSClock", clock);
        Settings::SaveSetting(section, "CLKIn", clock);
        Settings::SaveSetting(section, "TunedFrequency", tuned);
        Settings::SaveSetting(section, "DDSInterfaceType", "3");   // no port is opened
        IQSelectUpper = false;   // as a program starts
        Start();
        ASSERT_TRUE(VFO);
        EXPECT_GE(VFO->TunedFrequency(), 0) << row.Name << " " << clock;
        EXPECT_LE(VFO->TunedFrequency(), int64_t{VFO->RxMaxFreq()} * 10 + 20 * int64_t{VFO->IFFrequency()})
            << row.Name << " " << clock;
    }
};

TEST_P(StoredClocks, OfEveryMagnitudeStartTheModel)
{
    RXDefinitions::Initialise();
    ASSERT_EQ(RXDefinitions::RXModels.size(), 18u) << "every model has its case below";
    const RXModelRecord& row = RXDefinitions::RXModels[GetParam()];
    for (const char* clock : {"1", "1000", "1000000", "1000000000"})
        StartWith(row, clock, std::to_string(row.TunedFrequency));
    if (row.Name == "IQ,Crystal Controlled") {
        StartWith(row, "1000000", "70500000");
        EXPECT_LE(std::abs(RITOffset), 48000);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryModel, StoredClocks, ::testing::Range(size_t{0}, size_t{18}));

// Until the settings name the recordings folder, the recorder works in the program folder;
// the version label reads major.minor.revision; the sub-band buttons read S1 on in dark red,
// the preset buttons show in dark cyan, and the sub-band label and hidden list sit on the
// sub-band selector's place, level with the band selector.
TEST_F(StartUpWiring, TheRecorderTheVersionAndTheBandButtonsStartInPlace)
{
    Close();
    SaveRecordingsPath.clear();   // as a program starts
    Start();
    const std::string folder = AppPaths::ProgramFolder();
    EXPECT_EQ(window->Recorder->WavFile->TempFileName, folder + "/~QELVOTMP.WAV");
    EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d+\.\d+$)").match(window->lblVer->text()).hasMatch())
        << window->lblVer->text().toStdString();

    for (int index = 0; index < window->BandPlan->optSubBand.Count(); ++index) {
        EXPECT_EQ(window->BandPlan->optSubBand[index]->text(), QString("S%1").arg(index + 1));
        EXPECT_EQ(FormControls::ForeColour(window->BandPlan->optSubBand[index]), 0x0000C0u) << index;
    }
    for (QAbstractButton* preset : window->BandPlan->optPreset)
        EXPECT_EQ(FormControls::ForeColour(preset), 0xC0C000u) << preset->objectName().toStdString();
    EXPECT_EQ(window->BandPlan->cboSubBandSelect->y(), window->BandPlan->cboBandSelect->y());
    EXPECT_EQ(window->BandPlan->lblSubBand->pos(), window->BandPlan->cboSubBandSelect->pos());
    EXPECT_EQ(window->BandPlan->lstSubBandSelect->y(), window->BandPlan->cboBandSelect->y());
    EXPECT_EQ(window->BandPlan->lstSubBandSelect->x(), window->BandPlan->cboSubBandSelect->x());
    EXPECT_TRUE(window->BandPlan->lstSubBandSelect->isHidden());
    EXPECT_FALSE(window->BandPlan->lstSubBandSelect->isEnabled());
}

// The analyser's stored smoothing and frame rate are held to their labels' limits, each
// with one trace line naming its key; a value within them is taken as it stands.
TEST_F(StartUpWiring, TheAnalysersStoredValuesAreHeldToTheirLabelsLimits)
{
    Close();
    Settings::SaveSetting("SpectrumAnalyser", "SpectrumSmooth", "999");
    Settings::SaveSetting("SpectrumAnalyser", "DefaultSmoothCount", "0");
    Settings::SaveSetting("SpectrumAnalyser", "FrameRate", "3");
    TraceOn = true;
    frmLog log;
    Start();
    TraceOn = false;
    EXPECT_EQ(ScrollLabels[lblSpectrumSmoothIndex].Value, 24.0f);
    EXPECT_EQ(ScrollLabels[lblSpectrumSmoothIndex].Default, 1.0f);
    EXPECT_EQ(ScrollLabels[lblFrameRateIndex].Value, 3.0f);
    EXPECT_EQ(window->SpectrumAnalyser->SpectrumSmooth(), 24) << "the analyser smooths as the label shows";
    std::vector<std::string> held;
    for (int row = 0; row < log.lstLog->count(); ++row) {
        const std::string line = log.lstLog->item(row)->text().toStdString();
        if (line.find(" held to ") != std::string::npos)
            held.push_back(line);
    }
    EXPECT_EQ(held, (std::vector<std::string>{"frmMain.FillScopeLabels:DefaultSmoothCount=0 held to 1",
                                              "frmMain.FillScopeLabels:SpectrumSmooth=999 held to 24"}));
}

// Boxes that, while one shows, let the pointer cross every frame and every value label of
// the panel on its way to the box's button.
struct CrossedBoxes : FakeMessageBoxes
{
    int Show(const std::string& prompt, int style, const std::string& title) override
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            for (Frame* frame : top->findChildren<Frame*>())
                emit frame->MouseMove(0, 0, 10, 10);
        for (const ScrollLabelRecord& record : ScrollLabels)
            if (record.Label)
                emit record.Label->MouseMove(0, 0, 10, 10);
        return FakeMessageBoxes::Show(prompt, style, title);
    }
};

// A start whose serial port does not open asks its question; once it is answered every
// value label shows the scheme's colour, whether the window is active or not, also inside
// the frame the pointer crossed last (a frame's focus colours its caption only).
TEST_F(StartUpWiring, AfterTheSerialPortBoxEveryValueLabelHasTheSchemesColour)
{
    Close();
    FakePerfCounter clock(10'000'000, 1);
    FakeSerialLines lines(clock);
    lines.failingDevices["/dev/ttyS0"] = ENOENT;
    RXDefinitions::Initialise();
    const auto& models = RXDefinitions::RXModels;
    const auto vantrel =
        std::find_if(models.begin(), models.end(), [](const RXModelRecord& r) { return r.Name == "Vantrel RAV1"; });
    ASSERT_NE(vantrel, models.end());
    Settings::SaveSetting("frmMain", "SDRModelNo", std::to_string(vantrel->Index));
    Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "0");
    Settings::SaveSetting("RXModel.Vantrel RAV1", "PortNo", "1");
    // The shipped scheme: frames, labels and value labels share their normal colour.
    for (const auto& [key, colour] : {std::pair{"ScrollableLabelNormalColour", "12566272"},
                                      {"ScrollableLabelFocusColour", "255"}, {"SDRFrameFocusColour", "16776960"},
                                      {"SDRFrameNormalColour", "12566272"}, {"SDRLabelColour", "12566272"}})
        Settings::SaveSetting("frmMain", key, colour);
    {
        CrossedBoxes crossed;
        Start();
        ASSERT_FALSE(crossed.boxes.empty());
        EXPECT_NE(crossed.boxes[0].prompt.find("Unable to open COM1"), std::string::npos) << crossed.boxes[0].prompt;
    }
    for (int16_t id = 2; id < ScrollLabelCount; ++id) {
        const ScrollLabelRecord& record = ScrollLabels[static_cast<size_t>(id)];
        if (!record.Label)
            continue;
        const int32_t scheme = id == lblBFOIndex ? PublicVars::SDRColourSchemes.SDRTuningColour : record.NormalColour;
        const QColor expected = FormUnits::OleColour(static_cast<uint32_t>(scheme));
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            EXPECT_EQ(record.Label->palette().color(group, QPalette::WindowText), expected)
                << record.Label->objectName().toStdString() << " group " << group;
    }
    EXPECT_EQ(ScrollLabels[lblOutVolIndex].NormalColour, 12566272);
    EXPECT_EQ(ScrollLabels[lblOutVolIndex].FocusColour, 255);
}

} // namespace
