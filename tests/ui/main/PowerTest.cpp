#include "MainWindowRig.h"
#include "audio/QELVODX8.h"
#include "fakes/FakePerfCounter.h"
#include "bandplan/modBandPlan.h"
#include "fakes/FakePrinterPort.h"
#include "fakes/FakeSerialLines.h"
#include "fakes/FakeSettingsStore.h"
#include "radio/OscillatorChip.h"
#include "platform/IniText.h"
#include "radio/clsDDSParallelIF.h"
#include "radio/clsDDSSerialIF.h"
#include "radio/clsVFO.h"
#include "radio/modSetupRX.h"
#include "ui/common/FormControls.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/common/Label.h"
#include "ui/main/ScrollLabels.h"
#include "support/BandPlanFile.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

using Power = MainWindowRig;

// On: the RIT reaches over the chain's IF, the caption bar goes when so configured, Close is
// hidden and the card runs at real-time priority; Off undoes it all whatever was configured.
TEST_F(Power, OnAndOffInTheirOrder)
{
    for (const bool iq : {false, true}) {
        modSetupRX::Model.IQMode = iq;
        FormCaptionOffOnPwrOn = iq;
        window->Power->optPwr[0]->setChecked(true);
        EXPECT_EQ(ScrollLabels[lblBFOIndex].Max, iq ? 24000.0f : 12000.0f);
        EXPECT_EQ(ScrollLabels[lblBFOIndex].Min, iq ? -24000.0f : -12000.0f);
        EXPECT_TRUE(window->Receiving && window->SoundCard->InAction());
        EXPECT_TRUE(window->Power->optPwr[2]->isHidden());
        EXPECT_EQ(TitleBarHidden, iq);
        EXPECT_EQ(FormControls::ForeColour(window->Power->optPwr[0]), 0x00C000u);
        EXPECT_TRUE(priority.Now.RealTime);

        window->Power->optPwr[1]->setChecked(true);
        EXPECT_FALSE(window->Receiving || window->SoundCard->InAction() || TitleBarHidden || priority.Now.RealTime);
        EXPECT_FALSE(window->Power->optPwr[2]->isHidden());
        EXPECT_EQ(FormControls::ForeColour(window->Power->optPwr[1]), 0x0000C0u);
        VFOControl = iq;
        window->Frequency->tmrClock_Timer();
        EXPECT_EQ(window->Frequency->lblBFO->isEnabled(), iq);
        EXPECT_EQ(window->Frequency->lblClock->text().size(), 8);
    }
    FormCaptionOffOnPwrOn = false;
    modSetupRX::Model.IQMode = false;   // the rig's model
}

// Off and On clicked so quickly that On comes while Off still waits for the card to stop: On
// is applied after Off, and the switch ends on what runs; the same the other way round.
TEST_F(Power, AClickWhileTheCardStopsIsAppliedAfterIt)
{
    QAbstractButton* on = window->Power->optPwr[0];
    QAbstractButton* off = window->Power->optPwr[1];
    on->setChecked(true);
    ASSERT_TRUE(window->SoundCard->InAction());
    sound->Of(SoundDirection::Capture).PollsUntilStopped = 3;
    QTimer::singleShot(0, on, [on] { on->setChecked(true); });
    off->setChecked(true);
    EXPECT_TRUE(window->Receiving);
    EXPECT_TRUE(window->SoundCard->InAction());
    EXPECT_TRUE(sound->Of(SoundDirection::Capture).Running);
    EXPECT_EQ(window->Power->optPwr.Selected(), 0);

    // Off, On and Off again while the first Off waits: the last click holds.
    sound->Of(SoundDirection::Capture).PollsUntilStopped = 3;
    QTimer::singleShot(0, on, [on, off] {
        on->setChecked(true);
        off->setChecked(true);
    });
    off->setChecked(true);
    EXPECT_FALSE(window->Receiving || window->SoundCard->InAction());
    EXPECT_EQ(window->Power->optPwr.Selected(), 1);
    EXPECT_TRUE(boxes.boxes.empty());
}

// Sound that cannot be brought back switches the receiver off, before the message says why.
TEST_F(Power, SoundThatCannotBeBroughtBackSwitchesTheReceiverOff)
{
    FakePerfCounter clock(1000, 0);
    window->Power->optPwr[0]->setChecked(true);
    ASSERT_TRUE(window->SoundCard->InAction());
    sound->FailingDevices = {"default"};
    sound->RaiseStateEvent({SoundStateEvent::Kind::ServerLost, SoundDirection::Playback, "unix:/run/sound", "Connection refused"});
    window->SoundCard->Recovery().Step();
    EXPECT_EQ(window->Power->optPwr.Selected(), 0) << "On while the sound is brought back";
    EXPECT_TRUE(window->SoundCard->Running());
    clock.Count += 10'000;
    window->SoundCard->Recovery().Step();
    EXPECT_EQ(window->Power->optPwr.Selected(), 1);
    EXPECT_FALSE(window->Receiving || window->SoundCard->Running());
    EXPECT_FALSE(window->Power->optPwr[2]->isHidden()) << "Off as a click on it leaves the window";
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// While receiving the display follows the sound card alone; once off, the display timer
// redraws the kept frame every 100 ms.
TEST_F(Power, TheDisplayTimerRedrawsTheFrozenDisplayOnlyWhileOff)
{
    window->Power->optPwr[0]->setChecked(true);
    EXPECT_FALSE(window->Loop->tmrSpectrumDisplay.isActive());
    window->Power->optPwr[1]->setChecked(true);
    ASSERT_TRUE(window->Loop->tmrSpectrumDisplay.isActive());
    EXPECT_EQ(window->Loop->tmrSpectrumDisplay.interval(), 100);
    EXPECT_TRUE(window->SpectrumAnalyser->Freeze);
    const int32_t frames = window->ScopeDisplay.FrameCounter();
    QTest::qWait(350);
    EXPECT_GT(window->ScopeDisplay.FrameCounter(), frames) << "the kept frame is redrawn";
}

// The deferred work keeps the model's controls: the image box only for a receiver whose
// oscillator is not tuned, the low-side box only where the model offers it, no synchronous
// AM on an I/Q receiver.
TEST_F(Power, TheModelDecidesWhichInjectionControlsAndModesShow)
{
    const modSetupRX::ModelValues stored = modSetupRX::Model;
    struct Case { bool vfoControl, lowSideOption, iq; };
    for (const Case c : {Case{true, false, false}, Case{false, true, true}}) {
        VFOControl = c.vfoControl;
        modSetupRX::Model.LowSideLOOption = c.lowSideOption;
        modSetupRX::Model.IQMode = c.iq;
        window->Receive->chkTuneLo->setChecked(true);
        window->Deferred->tmrPerfStats_Timer();
        EXPECT_EQ(window->Receive->chkIQSelectUpper->isHidden(), c.vfoControl);
        EXPECT_EQ(window->Receive->chkTuneLo->isHidden(), !c.lowSideOption);
        EXPECT_EQ(window->Receive->chkTuneLo->isChecked(), c.lowSideOption);
        EXPECT_TRUE(HiSideLoOn) << "no low-side box, or a crystal receiver's oscillator, which lies above";
        EXPECT_EQ(window->Receive->optMode[DemodModeEnum::SAM]->isHidden(), c.iq);
    }
    modSetupRX::Model = stored;
}

} // namespace

namespace {

// Closing lets the sound card go first, then writes the loaded band plans, saves the
// window's settings, the VFO's, the transport's (through the chip) and the chip's, in that
// order, and closes the ports last.
TEST_F(Power, ClosingReleasesTheSoundCardThenSavesInOrder)
{
    window->Power->optPwr[0]->setChecked(true);
    FakePerfCounter clock(10'000'000, 1);
    FakePrinterPort port(clock);
    FakeSerialLines lines(clock);
    DDSParallelIF->RxName("RXModel.Vantrel RAV1");
    DDSParallelIF->Initialise();
    VFO->OscType()->IFHandler(DDSParallelIF);
    DDSSerialIF->PortNo(1);
    ASSERT_GE(DDSSerialIF->OpenPort(), 1);
    BandPlans.clear();
    BandRecord& band = AddBandPlan(home.file("40m.bpl"), "40m", "[MainBand]\r\n");
    modBandPlan::InitBandPlan(band);
    ASSERT_TRUE(modBandPlan::LoadBandPlan(band));
    band.SubBands[0].Caption = "CW";
    FakeSettingsStore store;
    bool soundHeldAtFirstWrite = true;
    bool bandPlanWrittenAtFirstWrite = false;
    std::vector<int> openPortsAtWrite;
    store.onWrite = [&] {
        if (store.written.size() == 1) {
            soundHeldAtFirstWrite = !sound->Of(SoundDirection::Capture).Name.empty();
            std::string text;
            IniText::ReadFile(home.file("40m.bpl"), text);
            bandPlanWrittenAtFirstWrite = IniText::Parse(text).Value("SubBand.0", "Caption") == "CW";
        }
        openPortsAtWrite.push_back(lines.OpenPorts());
    };
    window->close();
    BandPlans.clear();
    EXPECT_FALSE(soundHeldAtFirstWrite);
    EXPECT_TRUE(bandPlanWrittenAtFirstWrite);
    EXPECT_EQ(lines.OpenPorts(), 0);
    const auto at = [&](const std::string& key) {
        const auto found = std::find_if(store.written.begin(), store.written.end(),
                                        [&](const std::string& name) { return name.ends_with("\n" + key); });
        EXPECT_NE(found, store.written.end()) << key;
        return found - store.written.begin();
    };
    EXPECT_LT(at("sdrmodelno"), at("tunedfrequency"));
    EXPECT_LT(at("tunedfrequency"), at("portaddress"));
    EXPECT_LT(at("portaddress"), at("clkin"));
    EXPECT_EQ(openPortsAtWrite[static_cast<size_t>(at("clkin"))], 1) << "the port is closed after the chip saved";
}

} // namespace
