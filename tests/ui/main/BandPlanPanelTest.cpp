#include "MainWindowRig.h"
#include "bandplan/modBandPlan.h"
#include "core/Globals.h"
#include "core/NumberFormat.h"
#include "core/PublicVars.h"
#include "core/frmLog.h"
#include "dsp/ReceiveDefaults.h"
#include "fakes/FakeInputBoxes.h"
#include "platform/IniText.h"
#include "support/BandPlanFile.h"
#include "ui/bandplan/frmEditUserPreset.h"
#include "ui/bandplan/frmPresetDesc.h"
#include "ui/bandplan/frmSplash1.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabels.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

namespace {

// Band 0 starts on sub-band 0, whose preset 2 is in force; band 1's file is empty.
const char* const FortyMetres =
    "[MainBand]\r\nNumSubBands=1\r\n"
    "[SubBand.0]\r\nFreqMin=7000000\r\nFreqMax=7200000\r\nFreqCurrent=7050000\r\nDemodMode=2\r\nTuneStep=1500\r\n"
    "ActivePreset=2\r\n"
    "[Preset.0.2]\r\nActive=True\r\nFreqCurrent=7074000\r\nDemodMode=1\r\nFilterMode=2\r\nAGCMode=-1\r\n"
    "[SubBand.1]\r\nFreqMin=7100000\r\nFreqCurrent=7150000\r\nDemodMode=2\r\nTuneStep=0\r\n";

class BandPlanPanel : public MainWindowRig
{
protected:
    void SetUp() override
    {
        AddBands();
        AutoTrackPresets = true;
        PublicVars::TuningSteps = PublicVars::DefaultTuningSteps;
        MainWindowRig::SetUp();
        alive = window.get();
    }

    void TearDown() override
    {
        if (alive)
            MainWindowRig::TearDown();
        else
            (void)window.release();   // the window closed and deleted itself
        DSPProfiler.reset();
        frmMain::CreateSoundBackend = realSoundBackend;
        BandPlans.clear();
    }

    void AddBand(const std::string& name, const char* text) { AddBandPlan(home.file(name + ".bpl"), name, text); }
    void AddBands()
    {
        BandPlans.clear();
        BandPlans.reserve(2);
        AddBand("40m", FortyMetres);
        AddBand("MW", "[MainBand]\r\n");
        CurrentMainBandIndex = 0;
    }

    // The window closed, then started again on the band files as written here and with the
    // VFO's step stored as given.
    void StartAgainWithVFOStep(const std::string& step)
    {
        window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AddBands();
        Settings::SaveSetting("RXModel.Vantrel RAV1", "TuneStep", step);
        HardwareObjects::CreateHardwareObjects();
        window = std::make_unique<frmMain>();
        alive = window.get();
    }

    // The window closed, then started again with band 0's file as given.
    void StartAgainOn(const char* bandText)
    {
        window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        BandPlans.clear();
        AddBand("40m", bandText);
        AddBand("MW", "[MainBand]\r\n");
        CurrentMainBandIndex = 0;
        HardwareObjects::CreateHardwareObjects();
        window = std::make_unique<frmMain>();
        alive = window.get();
    }

    SubBandRecord& SubBand(int index) { return BandPlans[0].SubBands[static_cast<size_t>(index)]; }
    PresetRecord& Preset(int index) { return SubBand(0).Presets[static_cast<size_t>(index)]; }
    double TunedHz() const { return VFO->TunedFrequency() / 10.0; }

    QPointer<frmMain> alive;
    FakeInputBoxes inputs;
};

// The preset in force is read from the file before it is applied (its mode is only there);
// a sub-band without one applies its own state and its stored step (1500 gives the table's
// 1000, 0 keeps the step), once the window has started; the step list's choice is stored.
TEST_F(BandPlanPanel, SelectingRecallsThePresetInForceOrTheSubBandsOwnState)
{
    EXPECT_DOUBLE_EQ(TunedHz(), 7074000.0);
    EXPECT_EQ(window->Receive->optMode.Selected(), DemodModeEnum::USB);
    EXPECT_EQ(FilterMode, 2);
    EXPECT_TRUE(window->BandPlan->optPreset[2]->isChecked());
    EXPECT_EQ(window->BandPlan->optPreset[2]->text(), "7074");
    EXPECT_EQ(window->BandPlan->optPreset[3]->text(), "P4");

    VFO->TuneStepLock(false);
    VFO->TuneStep(5000.0);
    SubBand(0).ModeSettings.TuneStep = 1500;   // the file's step, which the start-up replaced by the VFO's
    window->BandPlan->optSubBand.Select(1);
    EXPECT_DOUBLE_EQ(TunedHz(), 7150000.0);
    EXPECT_EQ(DemodMode, DemodModeEnum::LSB);
    EXPECT_DOUBLE_EQ(VFO->TuneStep(), 5000.0);
    window->BandPlan->optSubBand.Select(0);
    EXPECT_DOUBLE_EQ(VFO->TuneStep(), 1000.0);
    EXPECT_TRUE(VFO->TuneStepLock());
    // A step chosen from the list becomes the sub-band's.
    window->Frequency->cboTuningSteps->setCurrentIndex(10);
    window->Frequency->cboTuningSteps_Click();
    EXPECT_EQ(SubBand(0).ModeSettings.TuneStep, 250);
    EXPECT_TRUE(SubBand(0).ModeSettings.Changed);
}

// The start-up sets the step list to the VFO's step as a user's choice would: the active
// sub-band stores that step, marked to be saved. A step the list does not hold leaves the
// sub-band as its file has it.
TEST_F(BandPlanPanel, TheStartUpStoresTheVFOsStepInTheActiveSubBandWhenTheListHoldsIt)
{
    struct Case { const char* stored; int32_t subBandStep; bool changed; int listed; };
    for (const Case c : {Case{"2500", 2500, true, 7}, Case{"1234", 1500, false, -1}}) {
        StartAgainWithVFOStep(c.stored);
        EXPECT_EQ(BandPlans[0].ActiveSubBand, 0);
        EXPECT_EQ(SubBand(0).ModeSettings.TuneStep, c.subBandStep) << c.stored;
        EXPECT_EQ(SubBand(0).ModeSettings.Changed, c.changed) << c.stored;
        EXPECT_EQ(window->Frequency->cboTuningSteps->currentIndex(), c.listed) << c.stored;
    }
    EXPECT_DOUBLE_EQ(VFO->TuneStep(), 1234.0) << "the VFO keeps a step the list does not hold";
}

// Edges after the filter preset (a stored -1 is the preset's default), and the AGC: a stored
// speed brings its attack and decay as speed 4, a state without one returns to the speed
// in force before.
TEST_F(BandPlanPanel, ApplyingSetsEdgesAfterThePresetAndSwapsTheAGCSpeed)
{
    window->Receive->chkAGC->setChecked(true);
    window->Receive->optAGC_Click(3);
    ModeSettingsRecord state = Preset(2).ModeSettings;
    state.FilterMode = 3;
    state.FilterHi = -1;
    state.AGCMode = 2;
    state.AGCOn = true;
    state.AGCAttack = 30.4f;
    state.AGCDecay = 60.0f;
    window->BandPlan->ApplyPreset(state);
    EXPECT_EQ(FilterHi, FilterTable[3].DefaultHi);
    EXPECT_EQ(AGCMode, 4);
    EXPECT_EQ(AGCTable[4].Attack, 30);
    EXPECT_EQ(AGCTable[4].Decay, 60);

    state.FilterHi = 2800;
    state.AGCMode = -1;
    window->BandPlan->ApplyPreset(state);
    EXPECT_EQ(FilterHi, 2800);
    EXPECT_EQ(AGCMode, 3);
    EXPECT_FALSE(window->BandPlan->ApplyPresetBusy);
}

// Every value a band file recalls into a value label (and the AGC speed it brings) is held
// to the label's limits, below and above them, with one trace line naming its key.
TEST_F(BandPlanPanel, RecalledValuesAreHeldToTheirLabelsLimits)
{
    const std::string keys[] = {"FilterHi", "FilterLo", "IFFilterHi", "IFFilterLo", "NotchFilterCenter",
                                "NotchFilterWidth", "AGCAttack", "AGCDecay", "OutputAttenuation"};
    struct Case
    {
        std::vector<float> stored, held;   // in the order of keys
    };
    // The IF edges' labels start at 0, below which a file's edge means the table's.
    const Case cases[] = {
        {{0, 0, 0, 0, -50, -10, -1000, -5, -20000}, {0, 0, 0, 0, 0, 0, 5, 10, -10000}},
        {{20000, 5000, 9000, 7000, 9000, 6000, 1000, 900, 9000}, {12000, 1999, 6000, 6000, 6000, 5000, 100, 200, 8000}},
    };
    // The window's own speeds (0 is Off) lie within the labels' limits from the start.
    for (size_t speed = 1; speed < 4; ++speed) {
        EXPECT_GE(AGCTable[speed].Decay, ScrollLabels[lblAGCDecayIndex].Min) << speed;
        EXPECT_GE(AGCTable[speed].Attack, ScrollLabels[lblAGCAttackIndex].Min) << speed;
    }
    const int16_t labels[] = {lblFilterHiIndex, lblFilterLoIndex, lblIFHiIndex, lblIFLoIndex, lblNotchCIndex,
                              lblNotchWIndex, lblAGCAttackIndex, lblAGCDecayIndex, lblOutVolIndex};
    for (const Case& c : cases) {
        std::string text = "[MainBand]\r\nNumSubBands=1\r\n[SubBand.0]\r\nFreqMin=7000000\r\n"
                           "FreqCurrent=7050000\r\nDemodMode=1\r\nAGCOn=True\r\nAGCMode=2\r\n";
        for (size_t k = 0; k < std::size(keys); ++k)
            text += keys[k] + "=" + std::to_string(static_cast<int>(c.stored[k])) + "\r\n";
        TraceOn = true;
        frmLog log;
        StartAgainOn(text.c_str());
        TraceOn = false;
        for (size_t k = 0; k < std::size(keys); ++k) {
            EXPECT_EQ(ScrollLabels[static_cast<size_t>(labels[k])].Value, c.held[k]) << keys[k];
            const QString traced = QString::fromStdString("frmMain.ApplyPreset:" + keys[k] + "=");
            int lines = 0;
            for (int row = 0; row < log.lstLog->count(); ++row)
                lines += log.lstLog->item(row)->text().startsWith(traced);
            EXPECT_EQ(lines, c.stored[k] == c.held[k] ? 0 : 1) << keys[k] << " stored as " << c.stored[k];
        }
        EXPECT_EQ(AGCTable[4].Attack, static_cast<int32_t>(c.held[6])) << "the recalled speed holds the held times";
        EXPECT_EQ(AGCTable[4].Decay, static_cast<int32_t>(c.held[7]));
        EXPECT_EQ(window->Receive->lblAGCAttack->text(), QString::number(c.held[6] / 10, 'f', 1));
        EXPECT_EQ(window->AudioOut->lblOutVol->text(), c.held[8] < 0 ? "-100.0" : "+19.1") << "the level in force, in decibels";
    }
}

// Shift + right click stores the receiver's state with the kilohertz caption, the hertz
// description and the store time; a left click on an unused slot applies nothing.
TEST_F(BandPlanPanel, StoringAndClickingAnUnusedSlot)
{
    modBandPlan::CurrentTime = [] { return QDateTime(QDate(2007, 2, 3), QTime(14, 5, 9)); };
    window->BandPlan->optPreset_MouseDown(6, 1, 0, 0, 0);
    EXPECT_DOUBLE_EQ(TunedHz(), 7074000.0);
    EXPECT_FALSE(Preset(6).Used());

    VFO->TunedFrequency(154400000);
    window->BandPlan->optPreset_MouseDown(4, 2, 1, 0, 0);
    EXPECT_EQ(Preset(4).Caption, "15440");
    EXPECT_EQ(Preset(4).When, "2007-02-03 14:05:09");
    EXPECT_EQ(Preset(4).Description, Format(15440000, "#,###0 Hz"));
    EXPECT_EQ(window->BandPlan->optPreset[4]->text(), "15440");
    EXPECT_EQ(Preset(4).ModeSettings.FreqCurrent, 15440000);
    EXPECT_TRUE(Preset(4).ModeSettings.Changed);
    modBandPlan::CurrentTime = [] { return QDateTime::currentDateTime(); };
}

// The preset in force stays so up to 500 Hz away and is released beyond; the sub-band then
// follows the receiver. Tracked presets follow all but their frequency.
TEST_F(BandPlanPanel, TheTrackingTimerReleasesBeyond500HzAndCaptures)
{
    window->Receive->optFilter.Select(1);
    window->BandPlan->tmrSubBands_Timer();
    EXPECT_EQ(Preset(2).ModeSettings.FilterMode, 1);
    EXPECT_EQ(Preset(2).ModeSettings.FreqCurrent, 7074000);

    AutoTrackPresets = false;
    window->Receive->optFilter.Select(3);
    VFO->TunedFrequency(70745000);
    window->BandPlan->tmrSubBands_Timer();
    EXPECT_TRUE(Preset(2).Active);
    EXPECT_EQ(Preset(2).ModeSettings.FilterMode, 1);

    window->BandPlan->ApplyPresetBusy = true;
    VFO->TunedFrequency(70745001);
    window->BandPlan->tmrSubBands_Timer();
    window->BandPlan->ApplyPresetBusy = false;
    EXPECT_TRUE(Preset(2).Active);
    window->BandPlan->tmrSubBands_Timer();
    EXPECT_FALSE(Preset(2).Active);
    EXPECT_FALSE(window->BandPlan->optPreset[2]->isChecked());
    EXPECT_EQ(Preset(2).ModeSettings.FreqCurrent, 7074000);
    EXPECT_EQ(SubBand(0).ModeSettings.FreqCurrent, 7074500);
    EXPECT_EQ(SubBand(0).ModeSettings.FilterMode, 3);
}

// Closing while a band file is read waits for the read (splash window up meanwhile), then
// closes and writes the bands read.
TEST_F(BandPlanPanel, AClosingDuringABandReadWaitsForItsEndAndSaves)
{
    QString splashText;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<frmSplash1*>(top); splash && splash->isVisible())
                splashText = splash->lblBandPlan->text();
        window->close();
        stillOpen = window->BandPlan->tmrSubBands.isActive();   // not unloaded
    });
    window->BandPlan->cboBandSelect->setCurrentIndex(1);
    EXPECT_EQ(splashText, "MW");
    EXPECT_TRUE(stillOpen);
    ASSERT_TRUE(BandPlans[1].Loaded);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive);

    std::string text;
    IniText::ReadFile(home.file("MW.bpl"), text);
    EXPECT_EQ(IniText::Parse(text).Value("MainBand", "Active").value_or(""), "True");
    IniText::ReadFile(home.file("40m.bpl"), text);
    EXPECT_EQ(IniText::Parse(text).Value("SubBand.0", "ActivePreset").value_or(""), "2");
}

// "Save to Preset" takes the tuned frequency, mode and filter into the preset the user
// confirms in the preset window, and they reach the band file.
TEST_F(BandPlanPanel, SaveToPresetStoresTheTunedStateThroughThePresetWindow)
{
    const auto shown = frmEditUserPreset::ShowModal;
    frmEditUserPreset::ShowModal = [](frmEditUserPreset& window) { window.cmdSave_Click(); };
    SubBand(0).ActivePreset = 5;
    VFO->TunedFrequency(140740000);
    window->Receive->optFilter.Select(3);
    window->Receive->optMode.Select(DemodModeEnum::LSB);
    window->BandPlan->mnuUserPresets_Save_Click();
    frmEditUserPreset::ShowModal = shown;
    EXPECT_EQ(Preset(5).ModeSettings.FreqCurrent, 14074000);
    EXPECT_EQ(window->BandPlan->optPreset[5]->text(), "14074");
    EXPECT_TRUE(window->BandPlan->optPreset[5]->isChecked());
    ASSERT_TRUE(modBandPlan::SaveBandPlan(BandPlans[0]));
    std::string text;
    IniText::ReadFile(home.file("40m.bpl"), text);
    const IniText file = IniText::Parse(text);
    EXPECT_EQ(file.Value("Preset.0.5", "FreqCurrent").value_or(""), "14074000");
    EXPECT_EQ(file.Value("Preset.0.5", "FilterMode").value_or(""), "3");
    EXPECT_EQ(file.Value("Preset.0.5", "DemodMode").value_or(""), "2");
}

// The preset window's filter choices are the widest filter's index first: with the window's
// widest filter ("5.0 KHz") the window selects its first choice, and the preset stores that
// index, which recalls the same filter.
TEST_F(BandPlanPanel, SaveToPresetKeepsTheWidestFilterAsTheWindowShowsIt)
{
    const auto shown = frmEditUserPreset::ShowModal;
    int offered = -1;
    frmEditUserPreset::ShowModal = [&offered](frmEditUserPreset& window) {
        offered = window.optFilteringValues.Selected();
        window.cmdSave_Click();
    };
    SubBand(0).ActivePreset = 4;
    VFO->TunedFrequency(71000000);
    window->Receive->optFilter.Select(0);
    ASSERT_EQ(window->Receive->optFilter[0]->text(), "5.0 KHz");
    window->BandPlan->mnuUserPresets_Save_Click();
    frmEditUserPreset::ShowModal = shown;
    EXPECT_EQ(offered, 0);
    EXPECT_EQ(Preset(4).ModeSettings.FilterMode, 0);

    window->Receive->optFilter.Select(3);
    window->BandPlan->optPreset_MouseDown(4, 1, 0, 5, 5);
    EXPECT_EQ(FilterMode, 0);
    EXPECT_TRUE(window->Receive->optFilter[0]->isChecked());
}

// Ctrl on a preset button switches the description pop-up; hovering then shows the preset's
// details, and moving onto the bare window hides it.
TEST_F(BandPlanPanel, CtrlSwitchesThePresetDescriptionShownOnHover)
{
    window->BandPlan->optPreset_MouseMove(2, 0, 0, 10, 10);
    EXPECT_FALSE(window->BandPlan->PresetDesc->isVisible());
    window->BandPlan->optPreset_KeyDown(2, Qt::Key_Control, 2);
    window->BandPlan->optPreset_MouseMove(2, 0, 0, 10, 10);
    EXPECT_TRUE(window->BandPlan->PresetDesc->isVisible());
    EXPECT_TRUE(window->BandPlan->PresetDesc->lblPresetDesc->text().startsWith("Frequency=7.074 MHz\r\nModulation=USB\r\n"));
    window->DarkenControls();
    EXPECT_FALSE(window->BandPlan->PresetDesc->isVisible());
    window->BandPlan->optPreset_KeyDown(2, Qt::Key_Control, 2);
    window->BandPlan->optPreset_MouseMove(2, 0, 0, 10, 10);
    EXPECT_FALSE(window->BandPlan->PresetDesc->isVisible());
}

TEST_F(BandPlanPanel, InsertRenamesTheBandUnlessTheAnswerIsEmpty)
{
    window->BandPlan->cboBandSelect_KeyDown(45);
    EXPECT_EQ(BandPlans[0].Caption, "40m");
    inputs.Answer("Forty");
    window->BandPlan->cboBandSelect_KeyDown(45);
    EXPECT_EQ(inputs.prompts.back(), "Enter New Band Plan Name");
    EXPECT_EQ(window->BandPlan->cboBandSelect->currentText(), "Forty");
    EXPECT_EQ(window->BandPlan->frPresets->Caption(), "Forty");
}

} // namespace
