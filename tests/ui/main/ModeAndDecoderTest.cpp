#include "MainWindowRig.h"
#include "audio/QELVODX8.h"
#include "core/PublicVars.h"
#include "core/modIniFiles.h"
#include "core/modIsProcessRunning.h"
#include "dsp/ReceiveDefaults.h"
#include "fakes/FakeProcessList.h"
#include "ui/common/FormControls.h"
#include "ui/main/DreamLauncher.h"
#include "ui/main/MainWindowSettings.h"

#include <QAbstractButton>
#include <QCheckBox>

namespace {

TEST(DreamCommand, OptionsDevicesAndTheTunedFrequencyFormTheArguments)
{
    struct Case { int32_t capture, playback; bool iq; const char* user; int32_t tuned; const char* arguments; };
    for (const Case c : {Case{3, 1, true, "-f %CurFreq%", 71100000, " -M 0 -I 1 -O 0 -C 3  -f 7110"},
                         Case{1, 2, false, "", 0, " -M 0 -I 0 -O 0   "},
                         Case{5, 4, false, "%curfreq% X%CURFREQ%", 9999000, " -M 0 -I 3 -O 2   999 X999"}}) {
        const DreamLauncher::Command command =
            DreamLauncher::BuildCommand("/opt/dream/dream", c.capture, c.playback, c.iq, c.user, c.tuned);
        EXPECT_EQ(command.Arguments, c.arguments);
        EXPECT_EQ(command.CommandLine(), std::string("/opt/dream/dream") + c.arguments);
    }
    // The arguments are words of their own, quoted ones whole: no shell ever reads them.
    const auto command = DreamLauncher::BuildCommand("dream", 2, 2, false, "-p \"my file\" ;rm -rf x", 0);
    EXPECT_EQ(command.ArgumentList,
              (std::vector<std::string>{"-M", "0", "-I", "0", "-O", "0", "-p", "my file", ";rm", "-rf", "x"}));
}

class ModeSelection : public MainWindowRig
{
protected:
    void SetUp() override
    {
        MainWindowRig::SetUp();
        PublicVars::PathToDream = "/opt/dream/dream";
        PublicVars::DreamProgArgs = "-f %CurFreq%";
        RunDreamOnDRM = CloseSoundcardOnDRM = DreamCloseOnModeChange = true;
        window->Receive->optMode_Click(DemodModeEnum::AM);   // the rig left the chain in DRM
    }
    void TearDown() override
    {
        PublicVars::PathToDream.clear();
        PublicVars::DreamProgArgs.clear();
        RunDreamOnDRM = CloseSoundcardOnDRM = DreamCloseOnModeChange = false;
        modIsProcessRunning::DecoderProcessId = 0;
        MainWindowRig::TearDown();
    }
    FakeProcessList processes;
};

// Which of the chain's filters each mode uses, and the redesign it asks for.
TEST_F(ModeSelection, EachModeSwitchesItsFiltersAndAsksForARedesign)
{
    RunDreamOnDRM = false;
    for (int32_t mode : {1, 2, 3, 4, 5, 6, 0, 0}) {
        FiltersDirty = false;
        window->Receive->optMode.Select(mode);
        window->Receive->optMode_Click(mode);   // the mode in force again changes the same things
        const bool sideband = mode == 1 || mode == 2;
        EXPECT_EQ(DemodMode, mode);
        EXPECT_EQ(AFFilter.Active, mode != 3) << mode;
        EXPECT_EQ(PhaseFilterI.Active && PhaseFilterQ.Active, mode != 3) << mode;
        EXPECT_EQ(SSBFilterI.Active && SSBFilterQ.Active, sideband) << mode;
        EXPECT_TRUE(FiltersDirty);
        EXPECT_EQ(FormControls::ForeColour(window->Receive->optMode[mode]), 0xFFFF00u);
    }
    window->Receive->optMode_Click(7);
    EXPECT_EQ(DemodMode, 0) << "no such mode";
}

// Entering DRM while receiving gives the card to the decoder and starts it in the program
// folder after its Dream.ini learned the injection side; leaving DRM takes the card back and
// closes the decoder. Power off and closing afterwards are safe.
TEST_F(ModeSelection, DRMHandsTheSoundCardToTheDecoderAndTakesItBack)
{
    window->Power->optPwr[0]->setChecked(true);
    ASSERT_TRUE(window->SoundCard->InAction());
    VFO->TunedFrequency(71100000);
    window->Receive->chkTuneLo->setChecked(true);   // the oscillator below the signal
    window->Receive->optMode.Select(DemodModeEnum::DRM);
    EXPECT_FALSE(window->SoundCard->Prepared());
    ASSERT_EQ(processes.Started.size(), 1u);
    EXPECT_EQ(processes.Started[0].Program, "/opt/dream/dream");
    EXPECT_EQ(processes.Started[0].Arguments, (std::vector<std::string>{"-M", "0", "-I", "0", "-O", "0", "-f", "7110"}));
    EXPECT_EQ(processes.Started[0].WorkingFolder, home.path());
    const std::string ini = home.file("Dream.ini");
    EXPECT_EQ(modIniFiles::ReadINI("receiver", "flipspectrum", "", ini) +
                  modIniFiles::ReadINI("window geometry", "analdemvis", "", ini), "10");
    const int64_t decoder = modIsProcessRunning::DecoderProcessId;
    EXPECT_NE(decoder, 0);
    EXPECT_FALSE(window->Receive->DreamStarting);

    window->Receive->optMode.Select(DemodModeEnum::USB);
    EXPECT_TRUE(window->SoundCard->InAction());
    EXPECT_EQ(processes.Ended, std::vector<int64_t>{decoder});

    window->Receive->optMode.Select(DemodModeEnum::DRM);
    window->Power->optPwr[1]->setChecked(true);
    EXPECT_FALSE(window->SoundCard->InAction());
    window->Receive->optMode.Select(DemodModeEnum::AM);
    EXPECT_FALSE(window->SoundCard->Prepared()) << "the receiver is off";
}

TEST_F(ModeSelection, ADecoderAlreadyRunningOrNotStartableIsNotStartedAndTheUserIsTold)
{
    processes.Processes = std::vector<RunningProcess>{{77, {"DREAM.EXE"}}};
    window->Receive->optMode.Select(DemodModeEnum::DRM);
    EXPECT_TRUE(processes.Started.empty());
    EXPECT_TRUE(boxes.boxes.empty());

    processes.Processes.reset();
    window->Receive->optMode.Select(DemodModeEnum::AM);
    window->Receive->optMode.Select(DemodModeEnum::DRM);
    EXPECT_EQ(boxes.Last().prompt, "System Error checking for process DREAM.EXE - Please report Problem to QELVO");

    processes.Processes = std::vector<RunningProcess>{};
    processes.StartError = "No such file";
    window->Receive->optMode.Select(DemodModeEnum::AM);
    window->Receive->optMode.Select(DemodModeEnum::DRM);
    EXPECT_EQ(boxes.Last().prompt, "DREAM program located at : /opt/dream/dream\r\n failed to execute");
    EXPECT_EQ(modIsProcessRunning::DecoderProcessId, 0);
    EXPECT_EQ(DemodMode, DemodModeEnum::DRM);
}

} // namespace
