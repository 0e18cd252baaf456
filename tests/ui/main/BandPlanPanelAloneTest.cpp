#include "bandplan/modBandPlan.h"
#include "core/PublicVars.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "support/BandPlanFile.h"
#include "support/ScopedTestHome.h"
#include "ui/bandplan/frmPresetDesc.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/main/BandPlanPanel.h"
#include "ui/main/MainWindowSettings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Sub-band 0 has preset 2 in force; sub-band 1 only its own state and a 1500 Hz step.
const char* const FortyMetres =
    "[MainBand]\r\nNumSubBands=1\r\n"
    "[SubBand.0]\r\nFreqMin=7000000\r\nFreqMax=7200000\r\nFreqCurrent=7050000\r\nDemodMode=2\r\nActivePreset=2\r\n"
    "[Preset.0.2]\r\nActive=True\r\nFreqCurrent=7074000\r\nDemodMode=1\r\nFilterMode=2\r\nAGCMode=-1\r\n"
    "NotchMode=1\r\nNotchMirror=True\r\n"
    "[SubBand.1]\r\nFreqMin=7100000\r\nFreqCurrent=7150000\r\nDemodMode=2\r\nTuneStep=1500\r\n";

// The panel alone in a bare window, its hub's requests recorded in the order they come.
class BandPlanPanelAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        BandPlans.clear();
        AddBandPlan(home.file("40m.bpl"), "40m", FortyMetres);
        CurrentMainBandIndex = 0;
        PublicVars::TuningSteps = PublicVars::DefaultTuningSteps;
        VFO = std::make_shared<clsVFO>();
        hub.TuneToStored = [this](int32_t tenths) { Record("TuneToStored " + std::to_string(tenths)); };
        hub.SetTuneStep = [this](int32_t index, bool) { Record("SetTuneStep " + std::to_string(index)); };
        hub.SetLowSideLO = [this](bool on) { Record("SetLowSideLO " + std::to_string(on)); };
        hub.SelectMode = [this](int index) { Record("SelectMode " + std::to_string(index)); };
        hub.SelectFilter = [this](int index) { Record("SelectFilter " + std::to_string(index)); };
        hub.SelectNotchMode = [this](int index) { Record("SelectNotchMode " + std::to_string(index)); };
        hub.SetNotchAuto = [this](bool on) { Record("SetNotchAuto " + std::to_string(on)); };
        hub.SetNotchMirror = [this](bool on) { Record("SetNotchMirror " + std::to_string(on)); };
        hub.SelectAGC = [this](int index) { Record("SelectAGC " + std::to_string(index)); };
        hub.LogTunedFrequency = [this] { Record("LogTunedFrequency"); };
        hub.UnFocusFrames = [this] { Record("UnFocusFrames"); };
        hub.LoLiteScrollLabel = [this](int16_t id) { Record("LoLiteScrollLabel " + std::to_string(id)); };
        hub.ModeCaption = [](int index) { return index == 1 ? std::string("USB") : std::string("?"); };
        window.resize(600, 200);
        panel.Connect();
    }
    void TearDown() override
    {
        VFO.reset();
        BandPlans.clear();
    }

    void Record(const std::string& call) { calls.push_back(call); }
    // As the start-up does it: the bands listed, then the one used last selected.
    void SelectTheBand()
    {
        panel.FillBandList();
        panel.SelectLastBand();
        ASSERT_TRUE(BandPlans[0].Loaded);
    }

    ScopedTestHome home;
    QWidget window;
    PanelHub hub;
    BandPlanPanel panel{&window, hub};
    std::vector<std::string> calls;
};

TEST_F(BandPlanPanelAlone, BuildsItsFrameWithTheSelectorsAndButtonRows)
{
    ASSERT_EQ(window.findChild<Frame*>("frPresets"), panel.frPresets);
    EXPECT_EQ(panel.frPresets->Caption(), "Band");
    EXPECT_EQ(panel.lblSubBand->text(), " SubBand ");
    EXPECT_EQ(panel.cboBandSelect->toolTip(), "Press Insert Key to Change BandName");
    EXPECT_TRUE(panel.cboSubBandSelect->isHidden());
    EXPECT_TRUE(panel.lstSubBandSelect->isHidden());
    EXPECT_FALSE(panel.lstSubBandSelect->isEnabled());
    EXPECT_EQ(window.findChild<QAbstractButton*>("optSubBand_17"), panel.optSubBand[17]);
    EXPECT_EQ(window.findChild<QAbstractButton*>("optPreset_11")->text(), "P12");
    EXPECT_EQ(panel.optPreset[0]->parent(), panel.picPresets);
    EXPECT_EQ(panel.mnuUserPresets->parent(), &window);
    EXPECT_EQ(panel.PresetDesc->parent(), &window);
}

// Selecting the band reads its file and puts the preset in force through the hub, control by
// control in the order of a user's clicks; the recorder's log gets the frequency last. (The
// sub-band selectors, filled on the way, put it in force too.)
TEST_F(BandPlanPanelAlone, SelectingABandPutsThePresetInForceInTheClicksOrder)
{
    SelectTheBand();
    EXPECT_TRUE(panel.optPreset[2]->isChecked());
    EXPECT_EQ(panel.optPreset[2]->text(), "7074");
    EXPECT_EQ(panel.optPreset[3]->text(), "P4");
    EXPECT_EQ(panel.cboSubBandSelect->count(), 2);
    const std::vector<std::string> expected{"TuneToStored 70740000", "SetLowSideLO 1", "SelectMode 1", "SelectFilter 2",
                                            "SelectNotchMode 1", "SetNotchAuto 1", "SetNotchMirror 1",
                                            "SelectAGC 1", "LogTunedFrequency"};
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.end() - static_cast<long>(expected.size()), calls.end()), expected);
    EXPECT_FALSE(panel.ApplyPresetBusy);
}

// A sub-band chosen by the user sets its stored step (the table's largest not above it); one
// chosen while the window starts leaves the step to the start-up.
TEST_F(BandPlanPanelAlone, ChoosingASubBandSetsItsStepUnlessTheWindowIsStarting)
{
    SelectTheBand();
    bool loading = true;
    hub.WindowLoading = [&loading] { return loading; };
    calls.clear();
    panel.optSubBand.Select(1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetTuneStep 8"), 0);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "TuneToStored 71500000");
    loading = false;
    calls.clear();
    panel.optSubBand_MouseDown(1, 1, 0, 0, 0);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "SetTuneStep 8");   // 1000 Hz
}

// The frame takes the focus through the hub; Ctrl on a preset switches the description,
// which names the mode by the caption the hub gives.
TEST_F(BandPlanPanelAlone, HoverFocusesThroughTheHubAndDescribesThePreset)
{
    SelectTheBand();
    calls.clear();
    panel.frPresets_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"UnFocusFrames", "LoLiteScrollLabel 0"}));
    EXPECT_EQ(FormControls::ForeColour(panel.frPresets),
              static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameFocusColour));
    window.show();
    panel.optPreset_MouseMove(2, 0, 0, 10, 10);
    EXPECT_FALSE(panel.PresetDesc->isVisible());
    panel.optPreset_KeyDown(2, Qt::Key_Control, 2);
    panel.optPreset_MouseMove(2, 0, 0, 10, 10);
    ASSERT_TRUE(panel.PresetDesc->isVisible());
    EXPECT_TRUE(panel.PresetDesc->lblPresetDesc->text().startsWith("Frequency=7.074 MHz\r\nModulation=USB\r\n"));
}

// The receiver's state is read back with the notch's pass-band choice the hub reports.
TEST_F(BandPlanPanelAlone, CapturingTakesTheNotchMirrorFromTheHub)
{
    ModeSettingsRecord state;
    hub.NotchMirrored = [] { return true; };
    panel.CapturePreset(state);
    EXPECT_TRUE(state.NotchMirror);
    EXPECT_TRUE(state.Changed);
    EXPECT_EQ(state.DemodMode, DemodMode);
    hub.NotchMirrored = [] { return false; };
    panel.CapturePreset(state);
    EXPECT_FALSE(state.NotchMirror);
}

}   // namespace
