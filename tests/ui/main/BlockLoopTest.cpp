#include "MainWindowRig.h"
#include "audio/QELVODX8.h"
#include "fakes/FakePerfCounter.h"

#include <QCoreApplication>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

namespace {

using BlockLoop = MainWindowRig;

std::vector<int16_t> Ramp(int16_t first)
{
    std::vector<int16_t> block(BlockSize);
    std::iota(block.begin(), block.end(), first);
    return block;
}

// At an output gain of 2 the chosen channel comes back doubled; the other stays as it was.
TEST_F(BlockLoop, FlipIQSwapsWhichChannelTheSingleChannelChainDemodulates)
{
    OutputAttenuation = 2.0f;
    for (const bool flip : {false, true}) {
        FlipIQ = flip;
        std::vector<int16_t> left = Ramp(0), right = Ramp(-3000);
        window->SoundCard_DataReady(left, right, BlockSize);
        EXPECT_EQ(left[1000], flip ? 1000 : 2000) << flip;
        EXPECT_EQ(right[1000], flip ? -4000 : -2000) << flip;
    }
}

// The "IF in" block reaches the analyser through the receive links; playback blocks arm
// its redraw, and two of them before the timer runs give one frame.
TEST_F(BlockLoop, PlaybackBlocksRedrawTheAnalyserFedByTheBlockLoop)
{
    clsSpectrumAnalyser& analyser = *window->SpectrumAnalyser;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    analyser.Active(true);
    analyser.Freeze = false;
    analyser.FastMode(true);
    std::vector<int16_t> left(BlockSize), right(BlockSize, 0);
    for (int n = 0; n < BlockSize; ++n)
        left[n] = static_cast<int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * 256 * n / BlockSize)));
    window->SoundCard_DataReady(left, right, BlockSize);
    const bool before = analyser.DrawOnDisplay1();
    window->SoundCard_DataOut({}, 0, 0);
    window->SoundCard_DataOut({}, 0, 0);
    QTimer::singleShot(30, [] {});
    for (int pass = 0; pass < 50 && analyser.DrawOnDisplay1() == before; ++pass)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    EXPECT_NE(analyser.DrawOnDisplay1(), before);
    const auto shown = analyser.Y1Display();
    EXPECT_EQ(std::max_element(shown.begin(), shown.begin() + 1024) - shown.begin(), 256);
    analyser.Active(false);
}

// The second channel runs one sample late, continuously across blocks; the first block
// after the start takes 0.
TEST_F(BlockLoop, PhaseCorrectionDelaysTheSecondChannelAcrossBlocks)
{
    IQModeOn = true;
    PhaseBitCorrection = true;
    std::vector<int16_t> left(BlockSize, 100);
    std::vector<int16_t> first = Ramp(1), second = Ramp(5000);
    window->SoundCard_DataReady(left, first, BlockSize);
    EXPECT_EQ(first[0], 0);
    EXPECT_EQ(first[1], 1);
    EXPECT_EQ(first[BlockSize - 1], BlockSize - 1);
    window->SoundCard_DataReady(left, second, BlockSize);
    EXPECT_EQ(second[0], BlockSize);   // the first block's last sample
    EXPECT_EQ(second[1], 5000);
    EXPECT_EQ(window->Loop->PrevRSample, 5000 + BlockSize - 1);
}

// Muting attenuates the sound card for the block; the next block's output level lifts it.
TEST_F(BlockLoop, MuteAndTheDRMMuteAttenuateTheCardUntilTheNextBlocksOutputLevel)
{
    struct Case { bool mute; bool drmMute; int32_t mode; int32_t attenuation; };
    for (const Case c : {Case{true, false, DemodModeEnum::USB, -100}, Case{false, true, DemodModeEnum::DRM, -100},
                         Case{false, true, DemodModeEnum::USB, 0}, Case{false, false, DemodModeEnum::DRM, 0}}) {
        Mute = c.mute;
        MuteAFOnDRM = c.drmMute;
        DemodMode = c.mode;
        std::vector<int16_t> left = Ramp(0), right = Ramp(0);
        window->SoundCard_DataReady(left, right, BlockSize);
        EXPECT_EQ(window->SoundCard->OutputAttenuation(), c.attenuation) << c.mute << c.drmMute << c.mode;
    }
}

// A block that took more than 90 % of its period lets the window system run; a block
// delivered then finds the loop busy and is dropped, not queued. So is a short block.
TEST_F(BlockLoop, ABlockArrivingDuringASlowOneOrTooShortIsDroppedUntouchedAndCounted)
{
    FakePerfCounter counter(1000000, 40000);   // every block takes 40 ms
    DSPProfiler = std::make_unique<Profiler>();
    PerfStatsOn = true;
    std::vector<int16_t> left = Ramp(0), right = Ramp(0);
    std::vector<int16_t> nestedLeft = Ramp(7), nestedRight = Ramp(7);
    QTimer::singleShot(0, window.get(), [&] { window->SoundCard_DataReady(nestedLeft, nestedRight, BlockSize); });

    window->SoundCard_DataReady(left, right, BlockSize);

    EXPECT_EQ(window->Loop->DroppedBlocks, 1);
    EXPECT_EQ(nestedLeft, Ramp(7)) << "the dropped block is left alone";
    EXPECT_EQ(DSPTimeRing[0], 40000);
    EXPECT_EQ(DSPTimeIndex, 1);

    std::vector<int16_t> shortLeft = Ramp(0), shortRight(100, 1);
    window->SoundCard_DataReady(shortLeft, shortRight, 100);
    EXPECT_EQ(window->Loop->DroppedBlocks, 2);
    EXPECT_EQ(shortLeft, Ramp(0));
}

TEST_F(BlockLoop, StatisticsRingsWrapAfter47BlocksAndNeverWriteTheLastElement)
{
    PerfStatsOn = true;
    for (int block = 0; block < 48; ++block) {
        std::vector<int16_t> left(BlockSize, static_cast<int16_t>(block + 1)), right(BlockSize, 0);
        window->SoundCard_DataReady(left, right, BlockSize);
    }
    EXPECT_EQ(InPeakIndex, 1);
    EXPECT_EQ(OutPeakIndex, 1);
    EXPECT_EQ(InPeakRing[0], 48) << "the 48th block wrote slot 0 again";
    EXPECT_EQ(std::pair(InPeakRing[46], InPeakRing[47]), std::pair(int16_t{47}, int16_t{0}));
    EXPECT_EQ(std::pair(OutPeakRing[46], OutPeakRing[47]), std::pair(int16_t{47}, int16_t{0}));
}

// Power on redesigns the filters, raises the priority and starts the sound card; off
// stops it and puts the priority back. A card that does not start switches power back off.
TEST_F(BlockLoop, PowerOnAndOffStartAndStopTheCardAndTheRaisedPriority)
{
    sound->FailingDevices.insert("default");
    window->Power->optPwr[0]->setChecked(true);
    EXPECT_EQ(boxes.boxes.size(), 1u) << "the engine names the device";
    EXPECT_TRUE(window->Power->optPwr[1]->isChecked());
    EXPECT_FALSE(window->SoundCard->InAction());
    EXPECT_FALSE(priority.Now.RealTime);

    sound->FailingDevices.clear();
    FiltersDirty = true;
    AFFilter.Active = true;
    AFFilter.FHigh = 0;
    FilterLo = 300;
    FilterHi = 2700;
    window->Power->optPwr[0]->setChecked(true);
    EXPECT_TRUE(window->SoundCard->InAction());
    EXPECT_TRUE(priority.Now.RealTime);
    EXPECT_EQ(AFFilter.FHigh, 2700);
    const int starts = sound->Of(SoundDirection::Capture).Starts;
    window->Power->optPwr[0]->setChecked(true);   // already on: nothing runs again
    EXPECT_EQ(sound->Of(SoundDirection::Capture).Starts, starts);

    window->Power->optPwr[1]->setChecked(true);
    EXPECT_FALSE(window->SoundCard->InAction());
    EXPECT_FALSE(priority.Now.RealTime);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// Closing saves the window's settings, stops the sound card and lets go of the hardware.
TEST_F(BlockLoop, ClosingSavesTheSettingsAndReleasesTheSoundCardAndTheHardware)
{
    window->Power->optPwr[0]->setChecked(true);
    window->SMeter->NoiseFloor = 12.5f;
    window->SoundCard->SetCurrentCaptureDevice(2);
    MainWindowRig::TearDown();
    EXPECT_EQ(VFO, nullptr);
    EXPECT_FALSE(priority.Now.RealTime);
    EXPECT_EQ(Settings::GetSetting("frmMain", "NoiseFloor"), "1250000");

    HardwareObjects::CreateHardwareObjects();
    UseFakeSoundBackend();
    window = std::make_unique<frmMain>();
    EXPECT_FLOAT_EQ(window->SMeter->NoiseFloor, 12.5f);
    EXPECT_EQ(window->SoundCard->CurrentCaptureDevice(), 2);
    EXPECT_EQ(window->SoundCard->CurrentCaptureDeviceName(), "hw:0,0");
}

} // namespace
