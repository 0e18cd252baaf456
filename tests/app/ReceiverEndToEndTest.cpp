#include "support/AlsaFileDevices.h"
#include "app/frmSupervisor.h"
#include "audio/QELVODX8.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "core/Settings.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveState.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeProcessPriority.h"
#include "platform/AlsaSoundBackend.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "support/ScopedTestHome.h"
#include "support/TopLevelWindows.h"
#include "ui/common/Dial.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/TuningDisplay.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

constexpr int32_t N = 2048;
// The start-up attack is 10 s (234 blocks) over a delay line primed at full level: a mode
// that does not restart the AGC (the one in force at start) settles only once the primed
// peaks have left the line.
constexpr int BlocksInFile = 280;
constexpr int BlocksToProcess = 260;
constexpr int MeasuredBlocks = 10;    // the last ones, with the AGC settled
constexpr double Rate = 48000.0;
constexpr size_t CommonPeriod = 96;   // samples of one 500 Hz cycle

double Radians(double hz, int64_t n) { return 2.0 * std::numbers::pi * hz * static_cast<double>(n) / Rate; }

// Amplitude of a tone at hz in the samples, fitted by least squares.
double ToneAmplitude(const std::vector<int16_t>& samples, double hz)
{
    double cc = 0, ss = 0, cs = 0, xc = 0, xs = 0;
    for (size_t n = 0; n < samples.size(); ++n) {
        const double c = std::cos(Radians(hz, static_cast<int64_t>(n)));
        const double s = std::sin(Radians(hz, static_cast<int64_t>(n)));
        cc += c * c, ss += s * s, cs += c * s;
        xc += samples[n] * c, xs += samples[n] * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = (xc * ss - xs * cs) / det;
    const double b = (xs * cc - xc * cs) / det;
    return std::hypot(a, b);
}

int32_t ModelNumber(const std::string& name)
{
    RXDefinitions::Initialise();
    for (const RXModelRecord& row : RXDefinitions::RXModels)
        if (row.Name == name)
            return row.Index;
    ADD_FAILURE() << "no model " << name;
    return 0;
}

frmMain* MainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<frmMain*>(window); main && main->isVisible())
            return main;
    return nullptr;
}

// The whole program on ALSA's file devices: the supervisor's start-up with a temporary
// program folder, the main window, power on, a fixed number of blocks, power off, close.
class ReceiverEndToEnd : public ::testing::Test
{
protected:
    using Channel = std::function<double(int64_t)>;

    void SetUp() override { WriteBandFile(""); }

    // The band file of the test's only band: one sub-band on 20 m, with the given stored state.
    static constexpr const char* TwentyMetres =
        "NumSubBands=1\r\n[SubBand.0]\r\nFreqMin=14000000\r\nFreqMax=14350000\r\nFreqCurrent=14200000\r\n";
    void WriteBandFile(const std::string& subBands)
    {
        QFile plan(QString::fromStdString(home.file("test.bpl")));
        ASSERT_TRUE(plan.open(QIODevice::WriteOnly));
        plan.write(("[MainBand]\r\n" + subBands).c_str());
    }

    void TearDown() override
    {
        DeleteTopLevelWindows();
        // The program's switches outlive it; the next start must read its own.
        FlipIQ = AutoStartSDR = false;
    }

    void UseModel(const std::string& name)
    {
        Settings::SaveSetting("frmMain", "SDRModelNo", std::to_string(ModelNumber(name)));
    }

    // Writes the signal for the capture device and starts the whole program on the file devices.
    frmMain* Start(const Channel& first, const Channel& second)
    {
        std::vector<int16_t> frames;
        for (int64_t n = 0; n < int64_t{BlocksInFile} * N; ++n)
            frames.insert(frames.end(), {static_cast<int16_t>(std::lround(first(n))),
                                         static_cast<int16_t>(std::lround(second(n)))});
        devices.WriteCapture(frames);
        AlsaFileDevices::StoreAsSoundCard();
        supervisor = std::make_unique<frmSupervisor>("");
        supervisor->EndProcess = [] {};
        EXPECT_TRUE(supervisor->Form_Load());
        return MainWindow();
    }

    // Starts the program, receives the mode (USB unless told) with the AGC on and returns
    // the blocks as played. The midway action, when given, runs once half the blocks are in.
    void Receive(const Channel& first, const Channel& second, int32_t mode = DemodModeEnum::USB,
                 const std::function<void(frmMain&)>& midway = {})
    {
        frmMain* main = Start(first, second);
        ASSERT_NE(main, nullptr);

        // The mode button and the AGC switch, as the user clicks them.
        main->Receive->optMode.Select(mode);
        main->Receive->chkAGC->setChecked(true);

        QObject::connect(main->SoundCard.get(), &QELVODX8::DataReady,
                         [this](std::span<int16_t> left, std::span<int16_t> right, int32_t) {
                             // A block is processed in place, in the channel that carries the signal.
                             const std::span<int16_t> out = FlipIQ ? right : left;
                             processed.emplace_back(out.begin(), out.begin() + N);
                         });
        main->Power->optPwr[0]->setChecked(true);
        ASSERT_TRUE(main->SoundCard->InAction()) << (boxes.boxes.empty() ? "" : boxes.Last().prompt);
        EXPECT_EQ(priority.Calls.front(), "realtime");
        QElapsedTimer clock;
        clock.start();
        bool midwayDone = !midway;
        while (processed.size() < BlocksToProcess && clock.elapsed() < 120000) {
            DoEvents();
            if (!midwayDone && processed.size() >= BlocksToProcess / 2) {
                midwayDone = true;
                midway(*main);
            }
        }
        main->Power->optPwr[1]->setChecked(true);
        EXPECT_FALSE(main->SoundCard->InAction());
        EXPECT_FALSE(priority.Now.RealTime);
        main->close();   // releases the sound devices, which closes the files
        EXPECT_EQ(main->Loop->DroppedBlocks, 0);
        played = devices.Played();
    }

    // The blocks as processed were played in order from the first: the file device keeps no
    // pace, so it is given each block exactly as it was processed.
    void ExpectPlayedInOrder()
    {
        ASSERT_GE(processed.size(), static_cast<size_t>(BlocksToProcess));
        ASSERT_EQ(played.size() % N, 0u);
        const size_t playedBlocks = played.size() / N;
        ASSERT_GE(playedBlocks, static_cast<size_t>(BlocksToProcess - 10));
        for (size_t block = 0; block < playedBlocks; ++block) {
            const auto first = played.begin() + static_cast<std::ptrdiff_t>(block * N);
            ASSERT_TRUE(std::equal(processed[block].begin(), processed[block].end(), first))
                << "played block " << block << " is not the block processed in that place";
        }
    }

    // The last blocks cut to whole cycles of 500 Hz, so of both the 1 kHz and the 1.5 kHz
    // tone: the fit of one then sees nothing of the other.
    std::vector<int16_t> Settled() const
    {
        std::vector<int16_t> tail;
        for (size_t block = BlocksToProcess - MeasuredBlocks; block < BlocksToProcess; ++block)
            tail.insert(tail.end(), processed[block].begin(), processed[block].end());
        tail.resize(tail.size() - tail.size() % CommonPeriod);
        return tail;
    }

    ScopedTestHome home;
    AlsaFileDevices devices;
    std::unique_ptr<frmSupervisor> supervisor;
    FakeMessageBoxes boxes;
    FakeProcessPriority priority;
    std::vector<std::vector<int16_t>> processed;
    std::vector<int16_t> played;
};

// The AGC holds the block peak at 16383; a pure tone's amplitude is its peak.
constexpr double AGCLevel = 16383.0;

// A tuned oscillator on either side of the signal, stored for the model and taken by the
// receiver set-up as the program starts: the sideband above the 12 kHz IF is the upper one
// with the oscillator above the signal and the lower one with it below. The wanted 1 kHz
// tone lies on the selected side and as strong a tone on the other side, which would be
// heard at 1.5 kHz, must be gone.
struct SideCase
{
    const char* hiSideLo;
    int32_t mode;
    double wantedHz, oppositeHz;
};

class SingleChannelSide : public ReceiverEndToEnd, public ::testing::WithParamInterface<SideCase>
{
};

TEST_P(SingleChannelSide, PlaysTheSelectedSidebandAtTheAGCLevelAndRejectsTheOther)
{
    const SideCase c = GetParam();
    UseModel("Vantrel RAV1");
    Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");   // no port needed
    Settings::SaveSetting("RXModel.Vantrel RAV1", "HiSideLo", c.hiSideLo);
    Receive([c](int64_t n) { return 8000.0 * (std::cos(Radians(c.wantedHz, n)) + std::cos(Radians(c.oppositeHz, n))); },
            [](int64_t) { return 0.0; }, c.mode);

    EXPECT_FALSE(IQModeOn);
    EXPECT_EQ(HiSideLoOn, std::string(c.hiSideLo) == "True");
    ExpectPlayedInOrder();
    const std::vector<int16_t> tail = Settled();
    const double wanted = ToneAmplitude(tail, 1000);
    EXPECT_NEAR(wanted, AGCLevel, 0.05 * AGCLevel);
    EXPECT_LT(20.0 * std::log10(ToneAmplitude(tail, 1500) / wanted), -80.0);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

// The signal on the second channel with the channels swapped is received as on the first.
TEST_F(ReceiverEndToEnd, SwappedChannelsReceiveTheSignalOnTheSecond)
{
    UseModel("Vantrel RAV1");
    Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");   // no port needed
    Settings::SaveSetting("RXModel.Vantrel RAV1", "HiSideLo", "True");
    Settings::SaveSetting("frmMain", "FlipIQ", "True");
    Receive([](int64_t) { return 0.0; }, [](int64_t n) { return 8000.0 * std::cos(Radians(13000, n)); });

    EXPECT_TRUE(FlipIQ);
    ExpectPlayedInOrder();
    EXPECT_NEAR(ToneAmplitude(Settled(), 1000), AGCLevel, 0.05 * AGCLevel);
}

// The stored switches are in force, and shown, once the program has started: the receiver
// is on, and the channel swap's box is ticked (unticked, a click on it would undo the swap).
TEST_F(ReceiverEndToEnd, StoredPowerAndChannelSwapAreInForceAtStart)
{
    UseModel("IQ,Crystal Controlled");
    Settings::SaveSetting("frmMain", "AutoStartSDR", "True");
    Settings::SaveSetting("frmMain", "FlipIQ", "True");
    frmMain* main = Start([](int64_t) { return 0.0; }, [](int64_t) { return 0.0; });
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->SoundCard->InAction());
    EXPECT_TRUE(main->Power->optPwr[0]->isChecked());
    EXPECT_TRUE(main->Receiving);
    EXPECT_TRUE(main->Receive->chkFlipIQ->isChecked());
    EXPECT_TRUE(FlipIQ);
    main->close();
}

// The whole round: stored to power on, the program starts on the file devices by itself and
// receives; the mode button and a turn of the tuning dial change mode and frequency; at
// close the window's settings, the receiver's and the band plan hold what the panel last showed.
TEST_F(ReceiverEndToEnd, AStartedReceiverTunedFromThePanelWritesEverythingBack)
{
    UseModel("Vantrel RAV1");
    Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");
    Settings::SaveSetting("RXModel.Vantrel RAV1", "HiSideLo", "True");
    Settings::SaveSetting("frmMain", "AutoStartSDR", "True");
    WriteBandFile(std::string(TwentyMetres) + "DemodMode=1\r\nTuneStep=1000\r\n");
    QFile plan(QString::fromStdString(home.file("test.bpl")));
    frmMain* main = Start([](int64_t n) { return 8000.0 * std::cos(Radians(13000, n)); }, [](int64_t) { return 0.0; });
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->SoundCard->InAction());
    EXPECT_DOUBLE_EQ(VFO->TunedFrequency() / 10.0, 14200000.0);
    main->Receive->chkAGC->setChecked(true);
    QObject::connect(main->SoundCard.get(), &QELVODX8::DataReady,
                     [this](std::span<int16_t> left, std::span<int16_t>, int32_t) {
                         processed.emplace_back(left.begin(), left.begin() + N);
                     });
    QElapsedTimer clock;
    clock.start();
    while (processed.size() < BlocksToProcess / 2 && clock.elapsed() < 120000)
        DoEvents();
    ASSERT_GE(processed.size(), static_cast<size_t>(BlocksToProcess / 2));
    std::vector<int16_t> tail(processed.back().begin(), processed.back().end());
    tail.resize(tail.size() - tail.size() % CommonPeriod);
    EXPECT_NEAR(ToneAmplitude(tail, 1000), AGCLevel, 0.05 * AGCLevel);

    main->Receive->optMode.Select(DemodModeEnum::LSB);
    main->Frequency->dialtuner->SetValue(main->Frequency->dialtuner->Value() + 1);   // the user's turn: one step up
    const int32_t tuned = VFO->TunedFrequency();
    EXPECT_NE(tuned, 142000000);
    // The sub-band tracking takes the panel's state on its next round.
    clock.restart();
    while (clock.elapsed() < 2 * BandPlanPanel::SubBandTrackingInterval)
        DoEvents();
    main->close();

    EXPECT_EQ(Settings::GetSetting("frmMain", "AutoStartSDR"), "True");
    EXPECT_EQ(Settings::GetSetting("frmMain", "CurrentMainBandIndex"), "0");
    EXPECT_EQ(Settings::GetSetting("RXModel.Vantrel RAV1", "TunedFrequency"), std::to_string(tuned));
    ASSERT_TRUE(plan.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(plan.readAll());
    EXPECT_TRUE(text.contains("DemodMode=2")) << text.toStdString();
    EXPECT_TRUE(text.contains("FreqCurrent=" + QString::number(tuned / 10))) << text.toStdString();
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

// The volume reading is what the output is lowered by. A sub-band's stored attenuation is
// read at start as the decibels the sound card applies; at five readings the blocks as
// played lie that many decibels below the blocks as processed; after a restart the caption
// reads the volume the sub-band stored at the close.
TEST_F(ReceiverEndToEnd, TheVolumeReadingIsTheCutInTheOutputAndComesBackAfterARestart)
{
    UseModel("Vantrel RAV1");
    Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");
    WriteBandFile(std::string(TwentyMetres) + "DemodMode=1\r\nOutputAttenuation=-141\r\n");
    const auto tone = [](int64_t n) { return 8000.0 * std::cos(Radians(13000, n)); };
    frmMain* main = Start(tone, [](int64_t) { return 0.0; });
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->AudioOut->lblOutVol->text(), "-1.4");
    EXPECT_EQ(main->AudioOut->dialOutVol->Reading(), "-1.4");

    const int readings[] = {-500, -1000, -2000, -2500, -4000};   // the slider, hundredths of a decibel
    constexpr size_t BlocksPerReading = BlocksToProcess / 5;
    main->Receive->chkAGC->setChecked(true);
    QObject::connect(main->SoundCard.get(), &QELVODX8::DataReady,
                     [this](std::span<int16_t> left, std::span<int16_t>, int32_t) {
                         processed.emplace_back(left.begin(), left.begin() + N);
                     });
    main->Power->optPwr[0]->setChecked(true);
    ASSERT_TRUE(main->SoundCard->InAction());
    std::vector<QString> shown;
    QElapsedTimer clock;
    clock.start();
    while (processed.size() < std::size(readings) * BlocksPerReading && clock.elapsed() < 120000) {
        const size_t step = processed.size() / BlocksPerReading;
        if (step == shown.size()) {
            main->AudioOut->sldOutVolume->SetValue(readings[step]);
            shown.push_back(main->AudioOut->lblOutVol->text());
        }
        DoEvents();
    }
    main->Power->optPwr[1]->setChecked(true);
    clock.restart();
    while (clock.elapsed() < 2 * BandPlanPanel::SubBandTrackingInterval)   // the sub-band takes the panel's state
        DoEvents();
    main->close();
    played = devices.Played();
    ASSERT_EQ(shown.size(), std::size(readings));
    ASSERT_GE(played.size(), (shown.size() * BlocksPerReading - 5) * N);
    for (size_t step = 0; step < shown.size(); ++step) {
        double processedPower = 0, playedPower = 0;
        // The middle of the reading's blocks: its first ones may have been queued before it.
        for (size_t block = step * BlocksPerReading + 15; block < (step + 1) * BlocksPerReading - 5; ++block)
            for (size_t k = 0; k < N; ++k) {
                processedPower += std::pow(processed[block][k], 2);
                playedPower += std::pow(played[block * N + k], 2);
            }
        const double cut = 10 * std::log10(playedPower / processedPower);
        EXPECT_NEAR(cut, shown[step].toDouble(), 0.5) << shown[step].toStdString();
        EXPECT_EQ(shown[step], QString::number(readings[step] / 100.0, 'f', 1));
    }

    processed.clear();
    main = Start(tone, [](int64_t) { return 0.0; });
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->AudioOut->lblOutVol->text(), "-40.0");
    main->close();
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

INSTANTIATE_TEST_SUITE_P(HighAndLowSide, SingleChannelSide,
                         ::testing::Values(SideCase{"True", DemodModeEnum::USB, 13000, 10500},
                                           SideCase{"False", DemodModeEnum::USB, 11000, 13500},
                                           SideCase{"False", DemodModeEnum::LSB, 13000, 10500}),
                         [](const ::testing::TestParamInfo<SideCase>& info) {
                             return std::string(std::string(info.param.hiSideLo) == "True" ? "High" : "Low") +
                                    (info.param.mode == DemodModeEnum::USB ? "USB" : "LSB");
                         });

TEST_F(ReceiverEndToEnd, IQReceiverPlaysTheSelectedSideAndRejectsItsImage)
{
    UseModel("IQ,Crystal Controlled");
    // The selected side's 1 kHz tone at +11 kHz, and as strong an image at -10.5 kHz that
    // would be heard at 1.5 kHz.
    const auto i = [](int64_t n) { return 6000.0 * (std::cos(Radians(11000, n)) + std::cos(Radians(-10500, n))); };
    const auto q = [](int64_t n) { return 6000.0 * (std::sin(Radians(11000, n)) + std::sin(Radians(-10500, n))); };
    Receive(i, q);

    EXPECT_TRUE(IQModeOn);
    EXPECT_FALSE(IQSelectUpper);
    ExpectPlayedInOrder();
    const std::vector<int16_t> tail = Settled();
    const double wanted = ToneAmplitude(tail, 1000);
    EXPECT_NEAR(wanted, AGCLevel, 0.05 * AGCLevel);
    EXPECT_LT(20.0 * std::log10(ToneAmplitude(tail, 1500) / wanted), -40.0);
}


// A crystal receiver cannot move its oscillator: tuning it moves the receive chain's IF by
// the same amount instead. The receiver takes the image below its oscillator, where a
// baseband frequency f stands for the oscillator less f. Tuned 5 kHz below and then 10 kHz
// above that (5 kHz above its crystal's own frequency), it hears the 1 kHz tone of a signal
// that much higher, 10 kHz closer to the oscillator in the baseband.
class CrystalTuning : public ReceiverEndToEnd, public ::testing::WithParamInterface<int32_t>
{
};

TEST_P(CrystalTuning, TuningMovesTheReceiveChainWithTheSignal)
{
    const int32_t tunedHz = GetParam();   // from the model's own tuned frequency
    const std::string model = "IQ,Crystal Controlled";
    const int32_t start = RXDefinitions::RXModels[static_cast<size_t>(ModelNumber(model))].TunedFrequency;
    UseModel(model);
    Settings::SaveSetting("RXModel." + model, "TunedFrequency", std::to_string(start + 10 * tunedHz));
    const double signalHz = 11000.0 - tunedHz;
    const auto i = [signalHz](int64_t n) { return 6000.0 * std::cos(Radians(signalHz, n)); };
    const auto q = [signalHz](int64_t n) { return 6000.0 * std::sin(Radians(signalHz, n)); };
    Receive(i, q);

    EXPECT_EQ(RITOffset, tunedHz);
    EXPECT_EQ(IFFreq, 12000);   // the I/Q pair moves by the offset, the IF stays
    EXPECT_EQ(NCOPhaseInc, 1 << 28);
    EXPECT_NEAR(ToneAmplitude(Settled(), 1000), AGCLevel, 0.05 * AGCLevel);
}

INSTANTIATE_TEST_SUITE_P(FiveKilohertzBelowAndAbove, CrystalTuning, ::testing::Values(-5000, 5000));

// Closed tuned 10 kHz above its crystal's own frequency, the crystal receiver comes back
// showing the same frequency on the same image at the same offset (so hearing the same
// frequency), its spectrum centred on it. Ticking the image box keeps the frequency shown
// and moves the offset by twice the IF.
TEST_F(ReceiverEndToEnd, ACrystalReceiverRestartsOnTheFrequencyImageAndOffsetItClosedOn)
{
    const std::string model = "IQ,Crystal Controlled";
    const int32_t start = RXDefinitions::RXModels[static_cast<size_t>(ModelNumber(model))].TunedFrequency;
    UseModel(model);
    const auto silence = [](int64_t) { return 0.0; };
    for (const bool upper : {false, true}) {
        Settings::SaveSetting("RXModel." + model, "TunedFrequency", std::to_string(start + 100000));
        Settings::SaveSetting("RXModel." + model, "IQSelectUpper", "False");
        frmMain* main = Start(silence, silence);
        ASSERT_NE(main, nullptr);
        ASSERT_EQ(RITOffset, 10000);
        const int32_t shownLower = VFO->TunedFrequency();
        main->Receive->chkIQSelectUpper->setChecked(upper);
        EXPECT_EQ(VFO->TunedFrequency(), shownLower);
        EXPECT_EQ(RITOffset, upper ? 10000 - 24000 : 10000);
        if (upper) {   // back on the lower image and up again: 10 kHz above the crystal
            main->Receive->chkIQSelectUpper->setChecked(false);
            VFO->TunedFrequency(start + 100000);
            main->Receive->chkIQSelectUpper->setChecked(true);
            ASSERT_EQ(RITOffset, 10000 - 24000);
            VFO->TunedFrequency(start + 100000);
            ASSERT_EQ(RITOffset, 10000);
        }
        const int32_t shown = VFO->TunedFrequency();
        const int32_t offset = RITOffset;
        main->close();
        DeleteTopLevelWindows();
        supervisor.reset();

        main = Start(silence, silence);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(IQSelectUpper, upper);
        EXPECT_EQ(main->Receive->chkIQSelectUpper->isChecked(), upper);
        EXPECT_EQ(VFO->TunedFrequency(), shown) << upper;
        EXPECT_EQ(RITOffset, offset) << upper;
        EXPECT_EQ(main->SpectrumAnalyser->FOffset(), shown / 10 - 12000) << upper;
        main->close();
        DeleteTopLevelWindows();
        supervisor.reset();
    }
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

// The image box, ticked or cleared while the crystal receiver receives 4 or 10 kHz to either
// side of its crystal's own frequency on the other image, keeps the frequency shown and the
// one heard: a tone 1 kHz above the frequency shown comes out at 1 kHz at full level. The
// other image reaches it with an offset twice the IF away, beyond the first one's span where
// the frequency lies more than the IF from the oscillator.
struct ImageSwitchCase
{
    int32_t offsetHz;   // the software oscillator's offset on the image the receiver starts on
    bool upperFirst;
};

class CrystalImageSwitch : public ReceiverEndToEnd, public ::testing::WithParamInterface<ImageSwitchCase>
{
};

TEST_P(CrystalImageSwitch, TheImageBoxKeepsTheFrequencyShownAndHeard)
{
    const auto [offsetHz, upperFirst] = GetParam();
    const std::string model = "IQ,Crystal Controlled";
    const int32_t start = RXDefinitions::RXModels[static_cast<size_t>(ModelNumber(model))].TunedFrequency;
    UseModel(model);
    Settings::SaveSetting("RXModel." + model, "TunedFrequency", std::to_string(start + 10 * offsetHz));
    Settings::SaveSetting("RXModel." + model, "IQSelectUpper", upperFirst ? "True" : "False");
    const int32_t oscillatorHz = start / 10 + 12000;
    const int32_t shownHz = start / 10 + offsetHz + (upperFirst ? 24000 : 0);
    // The pair turns a frequency above the oscillator into a negative one.
    const double capturedHz = -(shownHz + 1000.0 - oscillatorHz);
    const auto i = [capturedHz](int64_t n) { return 6000.0 * std::cos(Radians(capturedHz, n)); };
    const auto q = [capturedHz](int64_t n) { return 6000.0 * std::sin(Radians(capturedHz, n)); };
    int32_t shownBefore = 0, shownAfter = 0, offsetAfter = 0;
    Receive(i, q, DemodModeEnum::USB, [&](frmMain& main) {
        shownBefore = VFO->TunedFrequency();
        main.Receive->chkIQSelectUpper->setChecked(!upperFirst);
        shownAfter = VFO->TunedFrequency();
        offsetAfter = RITOffset;
        main.Deferred->tmrPerfStats_Timer();   // the filters redesigned now rather than by their timer
    });

    EXPECT_EQ(IQSelectUpper, !upperFirst);
    EXPECT_EQ(shownBefore, 10 * shownHz);
    EXPECT_EQ(shownAfter, shownBefore);
    EXPECT_EQ(offsetAfter, offsetHz + (upperFirst ? 24000 : -24000));
    EXPECT_NEAR(ToneAmplitude(Settled(), 1000), AGCLevel, 0.05 * AGCLevel);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

INSTANTIATE_TEST_SUITE_P(FourAndTenKilohertzEitherSide, CrystalImageSwitch,
                         ::testing::Values(ImageSwitchCase{-10000, false}, ImageSwitchCase{-4000, false},
                                           ImageSwitchCase{4000, false}, ImageSwitchCase{10000, false},
                                           ImageSwitchCase{-10000, true}, ImageSwitchCase{-4000, true},
                                           ImageSwitchCase{4000, true}, ImageSwitchCase{10000, true}),
                         [](const ::testing::TestParamInfo<ImageSwitchCase>& info) {
                             const int32_t kHz = info.param.offsetHz / 1000;
                             return std::string(info.param.upperFirst ? "FromUpper" : "FromLower") +
                                    (kHz < 0 ? "Minus" : "Plus") + std::to_string(std::abs(kHz)) + "kHz";
                         });

// Tuned 10 kHz up by a turn of the dial while it receives, from 5 kHz below its crystal's
// own frequency to 5 kHz above, the crystal receiver hears a signal 10 kHz higher at the
// same 1 kHz: the file's signal moves up as the dial turns.
TEST_F(ReceiverEndToEnd, ACrystalReceiverTunedUpWhileReceivingHearsTheHigherSignalAtTheSameTone)
{
    const std::string model = "IQ,Crystal Controlled";
    const int32_t crystal = RXDefinitions::RXModels[static_cast<size_t>(ModelNumber(model))].TunedFrequency;
    UseModel(model);
    Settings::SaveSetting("RXModel." + model, "TunedFrequency", std::to_string(crystal - 50000));
    const int64_t moved = int64_t{BlocksToProcess / 2} * N;
    const auto baseband = [moved](int64_t n) { return n < moved ? 16000.0 : 6000.0; };
    const auto i = [&](int64_t n) { return 6000.0 * std::cos(Radians(baseband(n), n)); };
    const auto q = [&](int64_t n) { return 6000.0 * std::sin(Radians(baseband(n), n)); };
    int32_t before = 0;
    size_t tunedAt = 0;
    Receive(i, q, DemodModeEnum::USB, [&](frmMain& main) {
        EXPECT_EQ(RITOffset, -5000);
        before = VFO->TunedFrequency();
        tunedAt = processed.size();
        main.Frequency->SetTuneStep(0, true);   // 10 kHz
        main.Frequency->TuneRateLocked = true;
        main.Frequency->dialtuner->SetValue(main.Frequency->dialtuner->Value() + 1);
        main.Frequency->TuneRateLocked = false;
        EXPECT_EQ(VFO->TunedFrequency(), before + 100000);
        EXPECT_EQ(RITOffset, 5000);
        EXPECT_EQ(IFFreq, 12000);
        // The file devices run faster than real time, so the deferred work that redesigns
        // the filters for the new IF is run here rather than left to its timer.
        main.Deferred->tmrPerfStats_Timer();
        EXPECT_FALSE(FiltersDirty);
    });

    ASSERT_GE(processed.size(), static_cast<size_t>(BlocksToProcess));
    ASSERT_LT(tunedAt, static_cast<size_t>(BlocksToProcess - MeasuredBlocks));
    std::vector<int16_t> beforeTuning;
    for (size_t block = BlocksToProcess / 2 - MeasuredBlocks; block < BlocksToProcess / 2; ++block)
        beforeTuning.insert(beforeTuning.end(), processed[block].begin(), processed[block].end());
    beforeTuning.resize(beforeTuning.size() - beforeTuning.size() % CommonPeriod);
    EXPECT_NEAR(ToneAmplitude(beforeTuning, 1000), AGCLevel, 0.05 * AGCLevel);
    EXPECT_NEAR(ToneAmplitude(Settled(), 1000), AGCLevel, 0.05 * AGCLevel);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

} // namespace

namespace {

// Every mode of both chains, chosen by its button with the AGC on, plays a synthesised
// signal as its tone at the AGC level: a single-sideband tone, a carrier modulated to half
// depth, a frequency-modulated carrier (3 kHz deviation), and for DRM the IF as it stands,
// in both chains. The AM detector takes the power, whose
// second harmonic (an eighth of the tone at half depth) shares the AGC's peak. The
// single-channel receiver's oscillator lies above the signal, its IF at 12 kHz; the I/Q
// receiver takes its lower image, where the IF lies at +12 kHz with the sidebands mirrored.
// The I/Q receiver offers no synchronous AM (its button is hidden).
struct ModeCase
{
    const char* name;
    bool iq;
    int32_t mode;
    double carrierHz;      // where the signal sits
    double modulationHz;   // audio offset (sideband), AM or FM rate
    enum Kind { Tone, AM, FM } kind;
    double heardHz;        // where the output tone lies
    double level = AGCLevel;
};

constexpr double SquareLawLevel = AGCLevel / 1.125;

class EveryMode : public ReceiverEndToEnd, public ::testing::WithParamInterface<ModeCase>
{
protected:
    // The signal at the input: a complex one for I and Q, its real part for one channel.
    static double Sample(const ModeCase& c, int64_t n, bool quadrature)
    {
        const auto carrier = [&](double phase) { return quadrature ? std::sin(phase) : std::cos(phase); };
        switch (c.kind) {
        case ModeCase::AM:
            return 6000.0 * (1.0 + 0.5 * std::cos(Radians(c.modulationHz, n))) * carrier(Radians(c.carrierHz, n));
        case ModeCase::FM:
            return 8000.0 * carrier(Radians(c.carrierHz, n) + 3.0 * std::sin(Radians(c.modulationHz, n)));
        default:
            return 8000.0 * carrier(Radians(c.carrierHz + c.modulationHz, n));
        }
    }
};

TEST_P(EveryMode, PlaysItsToneAtTheAGCLevel)
{
    const ModeCase c = GetParam();
    if (c.iq) {
        UseModel("IQ,Crystal Controlled");
    } else {
        UseModel("Vantrel RAV1");
        Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");
        Settings::SaveSetting("RXModel.Vantrel RAV1", "HiSideLo", "True");
    }
    Receive([c](int64_t n) { return Sample(c, n, false); },
            [c](int64_t n) { return c.iq ? Sample(c, n, true) : 0.0; }, c.mode);

    EXPECT_EQ(DemodMode, c.mode);
    const std::vector<int16_t> tail = Settled();
    EXPECT_NEAR(ToneAmplitude(tail, c.heardHz), c.level, 0.05 * c.level);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

INSTANTIATE_TEST_SUITE_P(
    BothChains, EveryMode,
    ::testing::Values(ModeCase{"AM", false, DemodModeEnum::AM, 12000, 1000, ModeCase::AM, 1000, SquareLawLevel},
                      ModeCase{"USB", false, DemodModeEnum::USB, 12000, 1000, ModeCase::Tone, 1000},
                      ModeCase{"LSB", false, DemodModeEnum::LSB, 12000, -1000, ModeCase::Tone, 1000},
                      ModeCase{"DRM", false, DemodModeEnum::DRM, 12000, 500, ModeCase::Tone, 12500},
                      ModeCase{"FM", false, DemodModeEnum::FM, 12000, 1000, ModeCase::FM, 1000},
                      ModeCase{"BC", false, DemodModeEnum::BC, 12000, 1000, ModeCase::AM, 1000},
                      ModeCase{"SAM", false, DemodModeEnum::SAM, 12000, 1000, ModeCase::AM, 1000},
                      ModeCase{"IQ_AM", true, DemodModeEnum::AM, 12000, 1000, ModeCase::AM, 1000, SquareLawLevel},
                      ModeCase{"IQ_USB", true, DemodModeEnum::USB, 12000, -1000, ModeCase::Tone, 1000},
                      ModeCase{"IQ_LSB", true, DemodModeEnum::LSB, 12000, 1000, ModeCase::Tone, 1000},
                      ModeCase{"IQ_DRM", true, DemodModeEnum::DRM, 12000, 500, ModeCase::Tone, 12500},
                      ModeCase{"IQ_FM", true, DemodModeEnum::FM, 12000, 1000, ModeCase::FM, 1000},
                      ModeCase{"IQ_BC", true, DemodModeEnum::BC, 12000, 1000, ModeCase::AM, 1000}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

} // namespace
