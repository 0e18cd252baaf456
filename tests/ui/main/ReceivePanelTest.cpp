#include "core/MainWindowValues.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "ui/common/ButtonArray.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ReceivePanel.h"
#include "ui/main/ScrollLabels.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The receive controls alone in a bare window, with a hub that records what they ask of it.
class ReceivePanelAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ReceiveDefaults::FillFilterTable("");
        ReceiveDefaults::FillIFFilterTable("");
        DemodMode = DemodModeEnum::AM;
        FilterMode = 0;
        IFFilterActive = NotchActive = IQModeOn = VFOControl = IQSelectUpper = false;
        RunDreamOnDRM = DreamCloseOnModeChange = false;
        hub.FocusFrame = [this](Frame* frame) { Record("FocusFrame " + frame->objectName().toStdString()); };
        hub.UnFocusFrames = [this] { Record("UnFocusFrames"); };
        hub.LoLiteScrollLabel = [this](int16_t id) { Record("LoLite " + std::to_string(id)); };
        hub.HandSoundCardToDecoder = [this] { Record("HandSoundCardToDecoder"); };
        hub.TakeBackSoundCard = [this] { Record("TakeBackSoundCard"); };
        hub.ShowNotchCurve = [this](bool shown) { Record("ShowNotchCurve " + std::to_string(shown)); };
        hub.TuneShownFrequency = [this](int32_t shown) { Record("TuneShownFrequency " + std::to_string(shown)); };
        panel = std::make_unique<ReceivePanel>(&window, hub, 1320, 2490);
    }
    void TearDown() override
    {
        panel.reset();
        DemodMode = FilterMode = 0;
        NotchActive = IQModeOn = IQSelectUpper = false;
    }

    void Record(const std::string& call) { calls.push_back(call); }
    std::vector<std::string> TakeCalls()
    {
        std::vector<std::string> made;
        made.swap(calls);
        return made;
    }

    QWidget window;
    PanelHub hub;
    std::vector<std::string> calls;
    std::unique_ptr<ReceivePanel> panel;
};

using Calls = std::vector<std::string>;

// The frames hold their controls; the injection switches come only with their own step; the
// value labels are bound to their records for the panel's life.
TEST_F(ReceivePanelAlone, BuildsItsControlsInTheirFramesAndBindsItsValueLabelsForItsLife)
{
    EXPECT_EQ(window.findChild<QWidget*>("optMode_3")->parent(), panel->frDemod);
    EXPECT_EQ(panel->optMode[3]->toolTip(), "DRM mode - Select, then launch Dream/DRM.EXE manually");
    EXPECT_EQ(window.findChild<QWidget*>("optFilter_4")->parent(), panel->frFilters);
    EXPECT_EQ(window.findChild<QWidget*>("dialNB")->parent(), panel->frNB);
    EXPECT_EQ(panel->sldBW.UBound(), 1);
    EXPECT_EQ(window.findChild<QWidget*>("chkTuneLo"), nullptr);
    panel->CreateInjectionControls(&window);
    EXPECT_EQ(window.findChild<QCheckBox*>("chkTuneLo"), panel->chkTuneLo);
    EXPECT_TRUE(panel->sldPwm->isHidden());

    EXPECT_EQ(ScrollLabels[lblFilterHiIndex].Label, panel->lblFilterHi);
    EXPECT_EQ(ScrollLabels[lblNBIndex].Label, panel->lblNB);
    panel.reset();
    EXPECT_EQ(ScrollLabels[lblFilterHiIndex].Label, nullptr) << "no record keeps a label that is gone";
}

// A frame under the pointer asks for the focus and clears the value labels it holds; the mode
// frame only once its hover is bound.
TEST_F(ReceivePanelAlone, FramesUnderThePointerAskTheHubForTheFocus)
{
    emit panel->frNotch->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(TakeCalls(), (Calls{"FocusFrame frNotch", "LoLite 0", "LoLite 11", "LoLite 12"}));
    emit panel->frDemod->MouseMove(0, 0, 10, 10);
    EXPECT_TRUE(TakeCalls().empty());
    panel->ConnectHover();
    emit panel->frDemod->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(TakeCalls(), (Calls{"UnFocusFrames", "LoLite 7", "LoLite 8", "LoLite 0"}));
}

// Entering DRM hands the sound card over, leaving it takes the card back; a mode outside the
// buttons changes nothing.
TEST_F(ReceivePanelAlone, EnteringAndLeavingDRMAskForTheSoundCard)
{
    panel->CreateInjectionControls(&window);
    panel->ConnectSwitches();
    panel->optMode.Select(DemodModeEnum::DRM);
    EXPECT_EQ(DemodMode, DemodModeEnum::DRM);
    EXPECT_EQ(TakeCalls(), Calls{"HandSoundCardToDecoder"});
    panel->optMode.Select(DemodModeEnum::USB);
    EXPECT_EQ(TakeCalls(), Calls{"TakeBackSoundCard"});
    panel->optMode_Click(7);
    EXPECT_EQ(DemodMode, DemodModeEnum::USB);
    EXPECT_TRUE(TakeCalls().empty());
}

// The notch switch shows or hides the analyser's curve; the image switch asks for the
// frequency shown to be tuned again, only on an I/Q receiver whose oscillator is not tuned.
TEST_F(ReceivePanelAlone, NotchAndImageSwitchesAskTheHub)
{
    panel->CreateInjectionControls(&window);
    panel->ConnectSwitches();
    panel->chkNotchOn->setChecked(true);
    panel->chkNotchOn->setChecked(false);
    EXPECT_EQ(TakeCalls(), (Calls{"ShowNotchCurve 1", "ShowNotchCurve 0"}));

    panel->chkIQSelectUpper->setChecked(true);
    EXPECT_FALSE(IQSelectUpper);
    EXPECT_TRUE(TakeCalls().empty());
    IQModeOn = true;
    panel->chkIQSelectUpper->setChecked(false);
    panel->chkIQSelectUpper->setChecked(true);
    EXPECT_TRUE(IQSelectUpper);
    EXPECT_EQ(TakeCalls(), Calls{"TuneShownFrequency 0"});
}

// The edge labels light while the pointer is over their slider and go back to normal when the
// slider loses the focus, through the panel's own event filter.
TEST_F(ReceivePanelAlone, AnEdgeSliderLosingTheFocusDarkensItsLabels)
{
    panel->CreateInjectionControls(&window);
    panel->ConnectSliders();
    panel->sldBW_MouseMove(1, 150, 300);
    EXPECT_EQ(FormControls::ForeColour(panel->lblFHiDesc), ButtonArray::ChosenColour);
    QFocusEvent focusOut(QEvent::FocusOut);
    QApplication::sendEvent(panel->sldBW[1], &focusOut);
    EXPECT_EQ(FormControls::ForeColour(panel->lblFHiDesc), ButtonArray::NormalColour);
    EXPECT_EQ(FormControls::ForeColour(panel->lblFHi), ButtonArray::NormalColour);
}

}   // namespace
