#include "dsp/ReceiveState.h"
#include "ui/common/ButtonArray.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/AudioOutPanel.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QCheckBox>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The audio output alone in a bare window, on a volume record with the window's limits.
class AudioOutPanelAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ScrollLabelRecord& volume = ScrollLabels[lblOutVolIndex];
        volume.Min = -10000.0f;
        volume.Max = 8000.0f;
        volume.Default = -1000.0f;
        volume.Value = 0.0f;
        volume.Format = "0.0";
        Mute = false;
        hub.FocusFrame = [this](Frame* frame) { calls.push_back("FocusFrame " + frame->objectName().toStdString()); };
        hub.LoLiteScrollLabel = [this](int16_t id) { calls.push_back("LoLite " + std::to_string(id)); };
        panel.Connect();
    }
    void TearDown() override
    {
        ScrollLabels[lblOutVolIndex] = ScrollLabelRecord{};
        Mute = false;
    }

    QWidget window;
    PanelHub hub;
    std::vector<std::string> calls;
    AudioOutPanel panel{&window, hub, {8160, 1320, 1440, 2280}};
};

TEST_F(AudioOutPanelAlone, BuildsItsFrameAndAsksForTheFocusUnderThePointer)
{
    EXPECT_EQ(window.findChild<QCheckBox*>("chkMute"), panel.chkMute);
    EXPECT_EQ(panel.dialOutVol->parent(), panel.frAFOut);
    EXPECT_EQ(ScrollLabels[lblOutVolIndex].Label, panel.lblOutVol);
    emit panel.frAFOut->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(calls, (std::vector<std::string>{"FocusFrame frAFOut", "LoLite 0", "LoLite 10"}));
}

// Knob and slider stand at one level whichever moves; a right click returns to the default.
TEST_F(AudioOutPanelAlone, KnobAndSliderFollowEachOtherAndTheMuteSwitchMutes)
{
    panel.sldOutVolume->SetValue(-2000);
    EXPECT_EQ(panel.dialOutVol->Value(), MouseOverS::OutputKnobPosition(-2000.0f));
    EXPECT_EQ(panel.lblOutVol->text(), "-20.0");
    panel.dialOutVol->SetValue(-260);
    EXPECT_EQ(panel.sldOutVolume->Value(), -2600);
    panel.sldOutVolume_MouseDown(2);
    EXPECT_EQ(panel.sldOutVolume->Value(), -1000);
    EXPECT_EQ(ScrollLabels[lblOutVolIndex].Value, -1000.0f);

    panel.chkMute->setChecked(true);
    EXPECT_TRUE(Mute);
    EXPECT_EQ(FormControls::ForeColour(panel.chkMute), ButtonArray::ChosenColour);
    panel.chkMute->setChecked(false);
    EXPECT_FALSE(Mute);
}

}   // namespace
