#include "ui/main/AudioOutPanel.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/Numeric.h"
#include "dsp/ReceiveState.h"
#include "ui/common/ButtonArray.h"
#include "ui/common/ClickRule.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/MouseCodes.h"
#include "ui/common/Slider.h"
#include "ui/main/ScrollLabelApply.h"

#include <QCheckBox>

#include <algorithm>

using namespace PanelBuilder;

namespace {

// The switch shows the chosen colour while on, the normal one while off (ButtonArray's).
constexpr uint32_t OnColour = ButtonArray::ChosenColour;
constexpr uint32_t OffColour = ButtonArray::NormalColour;
constexpr int RightButton = MouseCodes::ButtonCode(Qt::RightButton);

}   // namespace

// The knob counts tenths of a decibel of the shown level; a notch turns one decibel, and the
// knob shows the volume label's reading.
void AudioOutPanel::InitialiseVolumeKnob()
{
    const ScrollLabelRecord& record = ScrollLabels[lblOutVolIndex];
    dialOutVol->SetMax(MouseOverS::OutputKnobPosition(record.Max));
    dialOutVol->SetMin(MouseOverS::OutputKnobPosition(record.Min));
    dialOutVol->SetSingleStep(10);
    dialOutVol->SetShowValue(false);
}

void AudioOutPanel::InitialiseVolumeSlider()
{
    ScrollLabelSteps::SetCompanionLimits(sldOutVolume, ScrollLabels[lblOutVolIndex]);
}

AudioOutPanel::AudioOutPanel(QWidget* container, PanelHub& hub, Place place) : hub_(hub)
{
    frAFOut = MakeFrame(container, "frAFOut", "AF Out", place);
    dialOutVol = Make<Dial>(frAFOut, "dialOutVol", {180, 240, 1080, 1080});
    dialOutVol->SetWrap(false);
    dialOutVol->SetMin(-10000);
    dialOutVol->SetMax(8000);
    lblOutVol = MakeLabel(frAFOut, "lblOutVol", "0.0", {90, 1350, 1260, 195}, "", Qt::AlignCenter);
    scrollLabelBinding_.Bind(lblOutVolIndex, lblOutVol);
    sldOutVolume = MakeSlider(frAFOut, "sldOutVolume", Qt::Horizontal, {90, 1590, 1260, 270}, -10000, 8000);
    chkMute = MakeCheck(frAFOut, "chkMute", "Mute", "Mute AF Output", {180, 1920, 1080, 240});

    // The frame takes the focus and clears the value labels' (0 clears the focus).
    connect(frAFOut, &Frame::MouseMove, this, [this] {
        hub_.FocusFrame(frAFOut);
        for (int16_t id : {0, 10})
            hub_.LoLiteScrollLabel(id);
    });
}

void AudioOutPanel::Connect()
{
    ClickRule::Connect(chkMute, [this] { chkMute_Click(); });
    connect(dialOutVol, &Dial::Changing, this, &AudioOutPanel::dialOutVol_Changing);
    connect(sldOutVolume, &Slider::Change, this, &AudioOutPanel::sldOutVolume_Change);
    connect(sldOutVolume, &Slider::Scroll, this, &AudioOutPanel::sldOutVolume_Change);
    connect(sldOutVolume, &Slider::MouseDown, this, [this](int button, int, double, double) {
        sldOutVolume_MouseDown(button);
    });
    connect(sldOutVolume, &Slider::MouseMove, this, [this] { sldOutVolume->setFocus(); });
}

void AudioOutPanel::chkMute_Click()
{
    Mute = chkMute->isChecked();
    FormControls::SetForeColour(chkMute, Mute ? OnColour : OffColour);
}

void AudioOutPanel::dialOutVol_Changing()
{
    if (dialOutVolBusy_)
        return;
    ScrollLabelRecord& record = ScrollLabels[lblOutVolIndex];
    if (dialOutVol->Value() == MouseOverS::OutputKnobPosition(record.Value))
        return;   // the knob follows the level set elsewhere
    BusyGuard busy(dialOutVolBusy_);
    record.Value = std::clamp(MouseOverS::OutputValueAtKnob(dialOutVol->Value()), record.Min, record.Max);
    DoEvents();
    // The slider applies the level; when it already stands there, the level is applied here.
    const int32_t position = Numeric::CLng(record.Value);
    if (sldOutVolume->Value() == position)
        MouseOverS::ApplyOutputVolume();
    else
        sldOutVolume->SetValue(position);
}

void AudioOutPanel::sldOutVolume_Change()
{
    if (volumeBusy_)
        return;
    BusyGuard busy(volumeBusy_);
    ScrollLabels[lblOutVolIndex].Value = static_cast<float>(sldOutVolume->Value());
    DoEvents();
    dialOutVol->SetValue(MouseOverS::OutputKnobPosition(ScrollLabels[lblOutVolIndex].Value));
    MouseOverS::ApplyOutputVolume();
}

void AudioOutPanel::sldOutVolume_MouseDown(int Button)
{
    if (Button != RightButton)
        return;
    sldOutVolume->SetValue(Numeric::CLng(ScrollLabels[lblOutVolIndex].Default));
    sldOutVolume_Change();
}
