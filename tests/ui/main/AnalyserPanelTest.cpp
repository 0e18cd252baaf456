#include "fakes/FakeSettingsStore.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Slider.h"
#include "ui/main/AnalyserPanel.h"
#include "ui/main/PanelHub.h"
#include "ui/main/ScrollLabels.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The panel alone in a bare window, with a hub that records the requests it raises. The
// analyser comes only when a test makes one, as the window's start-up does after building.
class AnalyserPanelAlone : public ::testing::Test
{
protected:
    AnalyserPanelAlone()
    {
        hub.FocusFrame = [this](Frame* frame) { focused.push_back(frame); };
        hub.UnFocusFrames = [this] { ++unfocusRequests; };
        hub.DarkenControls = [this] { ++darkenRequests; };
        window.resize(900, 400);
    }

    // Set up as the window's start-up sets it up, drawing into the panel's two pictures.
    void MakeAnalyser()
    {
        analyser = std::make_unique<clsSpectrumAnalyser>();
        analyser->FSampling = 48000;
        analyser->Order = 11;
        analyser->FEnd(24000);
        analyser->picDisplay0(panel.picScope[0]);
        analyser->picDisplay1(panel.picScope[1]);
        analyser->init();
        analyser->Active(true);
    }

    FakeSettingsStore settings;
    std::unique_ptr<clsSpectrumAnalyser> analyser;
    PanelHub hub;
    std::vector<Frame*> focused;
    int unfocusRequests = 0;
    int darkenRequests = 0;
    QWidget window;
    AnalyserPanel panel{&window, {60, 0, 6900, 2910}, {7020, 0, 3180, 2910}, hub, analyser};
};

TEST_F(AnalyserPanelAlone, BuildsItsNamedControlsInTheirFramesAndBindsItsValueLabelsWhileItLives)
{
    EXPECT_EQ(window.findChild<PictureBox*>("picScopeContainer"), panel.picScopeContainer);
    EXPECT_EQ(panel.picScopeCtls->findChild<Frame*>("frScopeSweep"), panel.frScopeSweep);
    EXPECT_EQ(panel.chkTrigOn[1]->parent(), panel.frScopeChn1Ctl);
    EXPECT_EQ(panel.chkTrigOn[2]->parent(), panel.frScopeChn2Ctl);
    EXPECT_EQ(panel.lblScopeCtl[6]->parent(), panel.frScopeSweep);
    EXPECT_EQ(panel.lblFrameRate->parent(), panel.frScopeMode);
    EXPECT_EQ(panel.optSpectrumSource[3]->toolTip(), "What you hear");
    EXPECT_TRUE(panel.picScope[1]->isHidden());
    EXPECT_TRUE(panel.lblSpectrumFreq[0]->isHidden());
    // The plot lies inside its container's margin, where the readout goes.
    EXPECT_TRUE(panel.picScopeContainer->rect().contains(panel.picScope[0]->geometry()));
    EXPECT_GT(panel.picScope[0]->y(), 0);
    EXPECT_EQ(ScrollLabels[6].Label, panel.lblScopeXWidth);
    EXPECT_EQ(ScrollLabels[lblY2BrightIndex].Label, panel.lblY2Bright);
    {
        QWidget other;
        AnalyserPanel gone(&other, {0, 0, 6900, 2910}, {0, 0, 3180, 2910}, hub, analyser);
    }
    EXPECT_EQ(ScrollLabels[6].Label, nullptr) << "a panel that is gone leaves no label behind";
}

// Until the start-up has made the analyser, the user's clicks and moves reach nothing.
TEST_F(AnalyserPanelAlone, WithoutAnAnalyserItsControlsAndDisplayDoNothing)
{
    panel.ConnectControls();
    panel.chkScopeMode[1]->click();
    panel.chkSpectrumAnalyser->click();
    panel.sldXWidth->SetValue(100);
    emit panel.picScope[0]->MouseMove(0, 0, 100, 10);
    emit panel.picScope[0]->MouseDown(1, 0, 100, 10);
    EXPECT_EQ(unfocusRequests, 0);
    EXPECT_TRUE(panel.lblSpectrumFreq[0]->isHidden());
}

// The mode boxes act as options, each showing its mode's controls; clicking the ticked box
// again keeps it ticked. The analyser's switch turns it off and on.
TEST_F(AnalyserPanelAlone, TheModeBoxesActAsOptionsAndTheSwitchTurnsTheAnalyserOff)
{
    MakeAnalyser();
    panel.ConnectControls();
    panel.chkScopeMode[1]->click();
    EXPECT_EQ(analyser->Mode(), ScopeModeEnum::Scope);
    EXPECT_EQ(panel.chkScopeMode.Value(0), 0);
    EXPECT_EQ(panel.frScopeSweep->Caption(), "Timebase");
    EXPECT_TRUE(panel.frScopeYMode->isHidden());
    EXPECT_FALSE(panel.chkTrigOn[1]->isHidden());
    panel.chkScopeMode[0]->click();
    panel.chkScopeMode[0]->click();
    EXPECT_EQ(analyser->Mode(), ScopeModeEnum::Spectrum);
    EXPECT_EQ(panel.chkScopeMode.Value(0), 1);
    EXPECT_EQ(panel.chkScopeMode.Value(1), 0);
    EXPECT_EQ(panel.lblScopeCtl[6]->text(), "Hz/Div");
    EXPECT_FALSE(panel.frScopeYMode->isHidden());
    EXPECT_TRUE(panel.chkTrigOn[1]->isHidden());

    panel.ShowActive();
    panel.chkSpectrumAnalyser->click();
    EXPECT_FALSE(analyser->Active());
    panel.chkSpectrumAnalyser->click();
    EXPECT_TRUE(analyser->Active());
}

// With no stored analyser settings the spectrum opens logarithmic; a stored choice stays.
TEST_F(AnalyserPanelAlone, TheSpectrumOpensLogarithmicUnlessTheScaleWasStored)
{
    MakeAnalyser();
    panel.ConnectControls();
    analyser->LogMode(false);
    panel.ShowAnalyserMode();
    EXPECT_TRUE(analyser->LogMode());
    EXPECT_EQ(panel.chkScopeMode.Value(0), 1);
    EXPECT_FALSE(panel.chkLog->isChecked());
    settings.values[FakeSettingsStore::name(analyser->Name + ".Mode.0", "LogMode")] = "False";
    analyser->LogMode(false);
    panel.ShowAnalyserMode();
    EXPECT_FALSE(analyser->LogMode());
    EXPECT_TRUE(panel.chkLog->isChecked());
}

// The frames take the focus, the area round the plot darkens the panel, and the plot shows
// the readout until a click or the pointer leaving.
TEST_F(AnalyserPanelAlone, ThePointerOverThePanelRaisesTheHubsRequests)
{
    MakeAnalyser();
    panel.ConnectControls();
    window.show();
    emit panel.frScopeSweep->MouseMove(0, 0, 10, 10);
    emit panel.frScopeYMode->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(focused, (std::vector<Frame*>{panel.frScopeSweep, panel.frScopeYMode}));
    emit panel.imgAreaScope->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(darkenRequests, 1);

    emit panel.picScope[0]->MouseMove(0, 0, 100, 10);
    EXPECT_EQ(unfocusRequests, 1);
    EXPECT_TRUE(panel.lblSpectrumFreq[0]->isVisible());
    EXPECT_FALSE(panel.lblSpectrumFreq[0]->text().isEmpty());
    emit panel.picScope[0]->MouseDown(2, 0, 100, 10);
    EXPECT_FALSE(panel.lblSpectrumFreq[0]->isVisible());
    emit panel.picScope[0]->MouseMove(0, 0, 100, 10);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(panel.picScope[0], &leave);   // the pointer is nowhere near
    EXPECT_FALSE(panel.lblSpectrumFreq[0]->isVisible());
}

TEST_F(AnalyserPanelAlone, TheDisplayTakesTheAnalysersBackColour)
{
    panel.ApplyColours();   // no analyser yet: the pictures keep their colour
    EXPECT_EQ(panel.picScope[1]->BackColor(), 0x000000u);
    MakeAnalyser();
    analyser->ScopeBackColour(0x123456);
    panel.ApplyColours();
    EXPECT_EQ(panel.picScope[0]->BackColor(), 0x123456u);
    EXPECT_EQ(panel.picScope[1]->BackColor(), 0x123456u);
}

}   // namespace
