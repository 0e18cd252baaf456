#include "ConfigRig.h"

#include "audio/clsWavFile.h"
#include "core/MainWindowValues.h"
#include "fakes/FakeWavDisk.h"
#include "support/BandPlanFile.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "ui/main/AudioOutPanel.h"
#include "ui/main/FrequencyPanel.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/PowerPanel.h"
#include "ui/main/ReceivePanel.h"
#include "ui/main/RecorderPanel.h"
#include "ui/main/StatisticsPanel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QMetaEnum>

#include <map>

// The colour scheme applied again with nothing changed in it (Config, OK) leaves every
// control of the main window in the colours it had: a control that shows a state or a
// choice keeps showing it.
namespace {

const char* const TwoSubBands =
    "[MainBand]\r\nNumSubBands=1\r\nActiveSubBand=1\r\n"
    "[SubBand.0]\r\nFreqMin=7000000\r\nFreqMax=7100000\r\nFreqCurrent=7050000\r\nDemodMode=2\r\n"
    "[SubBand.1]\r\nFreqMin=7100000\r\nFreqMax=7200000\r\nFreqCurrent=7120000\r\nDemodMode=1\r\nFilterMode=3\r\n";

std::string Hex(uint32_t colour) { return QString::number(colour, 16).rightJustified(6, '0').toStdString(); }

// Every colour a control shows: each entry of its palette, whether it fills its background,
// and the colours of the controls that draw themselves.
std::string ColoursOf(const QWidget* control)
{
    std::string text;
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            text += std::string(roles.valueToKey(role) ? roles.valueToKey(role) : "?") + "=" +
                    control->palette().color(group, QPalette::ColorRole(role)).name(QColor::HexArgb).toStdString() + " ";
    text += control->autoFillBackground() ? "filled" : "clear";
    if (const auto* shape = qobject_cast<const Shape*>(control))
        text += " back " + Hex(shape->BackColor()) + " border " + Hex(shape->BorderColor()) + " fill " + Hex(shape->FillColor());
    if (const auto* digit = qobject_cast<const SevenSegmentLabel*>(control))
        text += " fore " + Hex(digit->ForeColor()) + " back " + Hex(digit->BackColor());
    if (const auto* picture = qobject_cast<const PictureBox*>(control))   // its fore colour is the drawing's pen
        text += " back " + Hex(picture->BackColor());
    return text;
}

// A control by its name, or by its class and place under its named container.
std::string NameOf(const QWidget* control)
{
    if (!control->objectName().isEmpty())
        return control->objectName().toStdString();
    const QWidget* parent = control->parentWidget();
    const int place = parent ? static_cast<int>(parent->children().indexOf(const_cast<QWidget*>(control))) : 0;
    return (parent ? NameOf(parent) : std::string()) + "/" + control->metaObject()->className() + "#" +
           std::to_string(place);
}

// The main window over a band of two sub-bands, the second in use, its mode and filter lit;
// every colour of the scheme differs from the others, so that a control given the colour of
// another source shows it. The analyser's value labels have the scheme's value-label colours,
// which the configuration window gives them.
class SchemeAppliedAgain : public ConfigRig
{
protected:
    void SetUp() override
    {
        BandPlans.clear();
        AddBandPlan(home.file("40m.bpl"), "40m", TwoSubBands);
        CurrentMainBandIndex = 0;
        for (const auto& [key, colour] : {std::pair{"SDRBackgroundColour", 0x101010}, {"SDRLabelColour", 0x20A0E0},
                                          {"SDRTuningColour", 0x3040F0}, {"SDRFrameNormalColour", 0x40B050},
                                          {"SDRFrameFocusColour", 0x50F060}, {"ScrollableLabelNormalColour", 0x6070C0},
                                          {"ScrollableLabelFocusColour", 0x7080F8}})
            Settings::SaveSetting("frmMain", key, std::to_string(colour));
        Settings::SaveSetting("SpectrumAnalyser", "ControlColourNormal", std::to_string(0x6070C0));
        Settings::SaveSetting("SpectrumAnalyser", "ControlColourFocused", std::to_string(0x7080F8));
        ConfigRig::SetUp();
    }
    void TearDown() override
    {
        ConfigRig::TearDown();
        BandPlans.clear();
    }

    std::map<const QWidget*, std::string> Colours() const
    {
        std::map<const QWidget*, std::string> colours{{window.get(), ColoursOf(window.get())}};
        for (const QWidget* control : window->findChildren<QWidget*>())
            colours[control] = ColoursOf(control);
        return colours;
    }

    // Config, OK with nothing changed: the controls whose colours differ from before.
    std::vector<std::string> RecolouredByOK()
    {
        const auto before = Colours();
        frmConfig* config = Open();
        if (!config)
            return {"no configuration window"};
        config->cmdOK->click();
        std::vector<std::string> changed;
        for (const auto& [control, colours] : Colours()) {
            const auto earlier = before.find(control);
            if (earlier == before.end())
                changed.push_back(NameOf(control) + ": new");
            else if (earlier->second != colours)
                changed.push_back(NameOf(control) + ":\n  was " + earlier->second + "\n  now " + colours);
        }
        return changed;
    }

    FakeWavDisk disk;
};

// As the start leaves the window; then receiving, with every switch that shows its state in
// the other state and a recording running; then off again, and with the track panel shown.
TEST_F(SchemeAppliedAgain, OKWithNothingChangedRecoloursNoControl)
{
    EXPECT_EQ(RecolouredByOK(), std::vector<std::string>{}) << "as started";

    window->Power->optPwr[0]->setChecked(true);
    ASSERT_TRUE(window->Receiving);
    window->Frequency->lblTuningRate_Click();
    ASSERT_TRUE(window->Frequency->TuneRateLocked);
    window->Receive->chkTuneLo->setChecked(true);
    IQModeOn = true;
    VFOControl = false;
    window->Receive->chkIQSelectUpper->setChecked(true);
    window->AudioOut->chkMute->setChecked(true);
    window->Statistics->chkPerfStatsOn->setChecked(true);
    window->Statistics->ShowStatistics();
    window->Recorder->cmdWavCtls_Click(0);
    ASSERT_TRUE(window->Recorder->WavFile->IsRecording());
    EXPECT_EQ(RecolouredByOK(), std::vector<std::string>{}) << "receiving, recording";

    window->Recorder->cmdWavCtls_Click(9);
    window->Power->optPwr[1]->setChecked(true);
    EXPECT_EQ(RecolouredByOK(), std::vector<std::string>{}) << "off again";

    window->Recorder->cmdWavCtls_Click(7);
    EXPECT_EQ(RecolouredByOK(), std::vector<std::string>{}) << "the track panel shown";
}

} // namespace
