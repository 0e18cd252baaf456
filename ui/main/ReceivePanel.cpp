#include "ui/main/ReceivePanel.h"

#include "core/PublicVars.h"
#include "ui/common/ClickRule.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/PanelBuilder.h"

#include <QCheckBox>

#include <initializer_list>
#include <vector>

using namespace PanelBuilder;

namespace {

uint32_t FrameFocusColour() { return static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameFocusColour); }

}   // namespace

// The mode buttons, then the AF filter, IF filter and notch, then AGC and noise reducer.
ReceivePanel::ReceivePanel(QWidget* container, PanelHub& hub, int upperRow, int lowerRow)
    : hub_(hub), upperRow_(upperRow), lowerRow_(lowerRow)
{
    frDemod = MakeFrame(container, "frDemod", "Mode", {60, upperRow_, 1020, 2280});
    optMode = MakeArray(frDemod, "optMode", ButtonArray::Kind::Option,
                        {{"&AM", "AM Demodulation", {120, 240, 840, 255}},
                         {"&USB", "Single Sideband - Upper Sideband", {120, 525, 840, 255}},
                         {"&LSB", "Single Sideband - Lower Sideband", {120, 810, 840, 255}},
                         {"&DRM", "DRM mode - Select, then launch Dream/DRM.EXE manually", {120, 1095, 840, 255}},
                         {"&FM", "Frequency Demodulation", {120, 1380, 840, 255}},
                         {"&BC", "AM Demodulation ", {120, 1665, 840, 255}},
                         {"&SAM", "Synchronous AM", {120, 1950, 840, 255}}});

    CreateFilterControls(container);
    CreateLevelControls(container);
    ConnectFrameFocus();
}

// AF filter presets and edges, IF filter and notch.
void ReceivePanel::CreateFilterControls(QWidget* container)
{
    frFilters = MakeFrame(container, "frFilters", "AF Filter", {1140, upperRow_, 2160, 2280});
    optFilter = MakeArray(frFilters, "optFilter", ButtonArray::Kind::Option,
                          {{"5.0 KHz", "Strong AM Broadcast", {90, 240, 1110, 255}},
                           {"400 Hz", "CW", {90, 525, 1110, 255}},
                           {"2.4 KHz", "DX SSB", {90, 810, 1110, 255}},
                           {"3.2 KHz", "Strong SSB", {90, 1095, 1110, 255}},
                           {"4.0 KHz", "AM Talk Radio", {90, 1380, 1110, 255}}});
    chkDynFilter = MakeCheck(frFilters, "chkDynFilter", "Dyn", "", {90, 1710, 1050, 240});
    chkMusic = MakeCheck(frFilters, "chkMusic", "&Music", "Set LO frequ. cutoff to 50Hz, Bass Boost",
                         {90, 1980, 1050, 240});
    lblFloDesc = MakeLabel(frFilters, "lblFloDesc", "Lo", {1200, 180, 450, 180}, "", Qt::AlignCenter);
    lblFHiDesc = MakeLabel(frFilters, "lblFHiDesc", "Hi", {1650, 180, 450, 180}, "", Qt::AlignCenter);
    lblFLo = MakeLabel(frFilters, "lblFLo", "0", {1200, 360, 450, 180}, "", Qt::AlignCenter);
    lblFHi = MakeLabel(frFilters, "lblFHi", "0", {1650, 360, 450, 180}, "", Qt::AlignCenter);
    sldBW = ControlArray<Slider>({MakeSlider(frFilters, "sldBW", Qt::Vertical, {1275, 570, 300, 1440}, 0, 1999),
                                  MakeSlider(frFilters, "sldBW", Qt::Vertical, {1725, 570, 300, 1440}, 0, 12000)},
                                 "sldBW");
    lblFilterLo = MakeLabel(frFilters, "lblFilterLo", "0", {1200, 2040, 450, 180}, "", Qt::AlignCenter);
    scrollLabelBinding_.Bind(lblFilterLoIndex, lblFilterLo);
    lblFilterHi = MakeLabel(frFilters, "lblFilterHi", "0", {1650, 2040, 450, 180}, "", Qt::AlignCenter);
    scrollLabelBinding_.Bind(lblFilterHiIndex, lblFilterHi);

    frIFFilter = MakeFrame(container, "frIFFilter", "IF Filter", {3360, upperRow_, 2280, 1140});
    chkIFFilter = MakeCheck(frIFFilter, "chkIFFilter", "On", "IF Filter On/Off", {120, 240, 900, 240});
    optIFFilter = MakeArray(frIFFilter, "optIFFilter", ButtonArray::Kind::Option,
                            {{"Off", "OFF", {120, 510, 630, 240}},
                             {"Man", "Manually Set IF Filter", {780, 510, 660, 240}},
                             {"Track", "Tracks Main Filters", {1470, 510, 780, 240}}});
    lblIFHiDesc = MakeLabel(frIFFilter, "lblIFHiDesc", "Hi", {120, 810, 300, 195});
    lblIFHi = MakeLabel(frIFFilter, "lblIFHi", "6000", {420, 810, 630, 195});
    scrollLabelBinding_.Bind(lblIFHiIndex, lblIFHi);
    lblIFLoDesc = MakeLabel(frIFFilter, "lblIFLoDesc", "Lo", {1140, 810, 300, 195});
    lblIFLo = MakeLabel(frIFFilter, "lblIFLo", "0", {1440, 810, 630, 195});
    scrollLabelBinding_.Bind(lblIFLoIndex, lblIFLo);

    frNotch = MakeFrame(container, "frNotch", "Notch", {3360, lowerRow_, 2280, 1110});
    chkNotchOn = MakeCheck(frNotch, "chkNotchOn", "On", "Notch On/Off", {120, 195, 690, 240});
    chkNotchAuto = MakeCheck(frNotch, "chkNotchAuto", "Auto", "Auto Notch Mode", {810, 195, 720, 240});
    optNotch = MakeArray(frNotch, "optNotch", ButtonArray::Kind::Option,
                         {{"Man", "Manual Notch", {120, 420, 690, 240}}, {"Auto", "Auto Notch", {810, 420, 720, 240}}});
    chkNotchMirror = MakeCheck(frNotch, "chkNotchMirror", "Mirror", "Notch Mirror", {120, 645, 870, 240});
    chkNotchType = MakeCheck(frNotch, "chkNotchType", "IF", "AF or IF Notch", {990, 645, 540, 240});
    // Each value a blank or more from its letter, the row below the switches.
    lblNotchCDesc = MakeLabel(frNotch, "lblNotchCDesc", "C", {120, 900, 180, 180});
    lblNotchC = MakeLabel(frNotch, "lblNotchC", "1000", {300, 900, 510, 180});
    scrollLabelBinding_.Bind(lblNotchCIndex, lblNotchC);
    lblNotchWDesc = MakeLabel(frNotch, "lblNotchWDesc", "W", {810, 900, 210, 180});
    lblNotchW = MakeLabel(frNotch, "lblNotchW", "100", {1050, 900, 480, 180});
    scrollLabelBinding_.Bind(lblNotchWIndex, lblNotchW);
    lblNotch = MakeLabel(frNotch, "lblNotch", "0", {1530, 180, 360, 180}, "", Qt::AlignCenter);
    lblNotchWidth = MakeLabel(frNotch, "lblNotchWidth", "0", {1890, 180, 360, 180}, "", Qt::AlignCenter);
    sldNotch = MakeSlider(frNotch, "sldNotch", Qt::Vertical, {1560, 360, 300, 690}, 0, 6000);
    sldNotchWidth = MakeSlider(frNotch, "sldNotchWidth", Qt::Vertical, {1920, 360, 300, 690}, 0, 5000);
}

// AGC and noise reducer.
void ReceivePanel::CreateLevelControls(QWidget* container)
{
    frAGC = MakeFrame(container, "frAGC", "AGC", {5700, upperRow_, 2400, 1140});
    chkAGC = MakeCheck(frAGC, "chkAGC", "", "", {120, 240, 270, 240});
    optAGC = MakeArray(frAGC, "optAGC", ButtonArray::Kind::Option,
                       {{"Off", "AGC OFF", {420, 240, 600, 240}},
                        {"Fast", "Fast (CW)", {1050, 240, 660, 240}},
                        {"Normal", "Normal (AM)", {300, 480, 840, 240}},
                        {"Slow", "Slow (SSB)", {1170, 480, 660, 240}},
                        {"u", "", {1860, 480, 420, 240}}});
    MakeLabel(frAGC, "lblAGCAttackDesc", "Att", {120, 750, 360, 180});
    sldAGCAttack = MakeSlider(frAGC, "sldAGCAttack", Qt::Horizontal, {480, 720, 1290, 210}, 5, 1000);
    lblAGCAttack = MakeLabel(frAGC, "lblAGCAttack", "5.0", {1800, 750, 540, 180});
    scrollLabelBinding_.Bind(lblAGCAttackIndex, lblAGCAttack);
    MakeLabel(frAGC, "lblAGCDecayDesc", "Dec", {120, 930, 360, 180});
    sldAGCDecay = MakeSlider(frAGC, "sldAGCDecay", Qt::Horizontal, {480, 900, 1290, 210}, 10, 2000);
    lblAGCDecay = MakeLabel(frAGC, "lblAGCDecay", "5.0", {1800, 930, 540, 180});
    scrollLabelBinding_.Bind(lblAGCDecayIndex, lblAGCDecay);

    frNB = MakeFrame(container, "frNB", "Noise Reducer", {5700, lowerRow_, 2400, 1110});
    chkNB = MakeCheck(frNB, "chkNB", "On", "Experimental Noise Reducer", {120, 240, 690, 240});
    sldNB = MakeSlider(frNB, "sldNB", Qt::Horizontal, {120, 540, 1410, 240}, 0, 10000);
    lblNB = MakeLabel(frNB, "lblNB", "0.00", {120, 840, 690, 180});
    scrollLabelBinding_.Bind(lblNBIndex, lblNB);
    dialNB = Make<Dial>(frNB, "dialNB", {1590, 210, 750, 750});
    dialNB->SetWrap(false);
    dialNB->SetMax(10000);
}

void ReceivePanel::CreateInjectionControls(QWidget* container)
{
    const int row = upperRow_;
    chkTuneLo = MakeCheck(container, "chkTuneLo", "Low Side LO", "Lo Side LO Injection (Elektor DRM)",
                          {9720, row + 330, 1440, 240});
    chkIQSelectUpper = MakeCheck(container, "chkIQSelectUpper", "IQ Upper", "Lo Side LO Injection (Elektor DRM)",
                                 {11220, row + 330, 1260, 240});
    chkFlipIQ = MakeCheck(container, "chkFlipIQ", "L<->R", "", {9720, row + 600, 1440, 240});
    MakeLabel(container, "lblBalanceDesc", "Balance", {9720, row + 900, 720, 210});
    sldBalance = MakeSlider(container, "sldBalance", Qt::Horizontal, {10440, row + 870, 2040, 270}, -1000, 1000);
    MakeLabel(container, "lblPhaseDesc", "Phase", {9720, row + 1230, 720, 210});
    sldPhaseAngle =
        MakeSlider(container, "sldPhaseAngle", Qt::Horizontal, {10440, row + 1200, 2040, 270}, -1000, 1000);
    sldPwm = MakeSlider(container, "sldPwm", Qt::Horizontal, {11340, lowerRow_ + 900, 1140, 210}, 0, 100);
    sldPwm->hide();   // a spare control
}

// Frames that take the focus and clear the value labels they hold (0 clears the focus).
void ReceivePanel::ConnectFrameFocus()
{
    auto hover = [this](Frame* frame, std::initializer_list<int16_t> labels) {
        const std::vector<int16_t> ids(labels);
        connect(frame, &Frame::MouseMove, this, [this, frame, ids] {
            hub_.FocusFrame(frame);
            for (int16_t id : ids)
                hub_.LoLiteScrollLabel(id);
        });
    };
    hover(frAGC, {0, 13, 14});
    hover(frIFFilter, {0, 17, 18});
    hover(frNB, {0, 9});
    hover(frNotch, {0, 11, 12});
}

void ReceivePanel::ConnectHover()
{
    connect(frDemod, &Frame::MouseMove, this, &ReceivePanel::frDemod_MouseMove);
    connect(frFilters, &Frame::MouseMove, this, &ReceivePanel::frFilters_MouseMove);
}

void ReceivePanel::frDemod_MouseMove(int, int, double, double)
{
    hub_.UnFocusFrames();
    FormControls::SetForeColour(frDemod, FrameFocusColour());
    for (int16_t id : {7, 8, 0})
        hub_.LoLiteScrollLabel(id);
}

void ReceivePanel::frFilters_MouseMove(int, int, double, double)
{
    hub_.UnFocusFrames();
    FormControls::SetForeColour(frFilters, FrameFocusColour());
    for (int16_t id : {0, 7, 8})
        hub_.LoLiteScrollLabel(id);
}

void ReceivePanel::ConnectSwitches()
{
    const auto on = [this](QCheckBox* box, void (ReceivePanel::*handler)()) {
        ClickRule::Connect(box, [this, handler] { (this->*handler)(); });
    };
    on(chkDynFilter, &ReceivePanel::chkDynFilter_Click);
    on(chkFlipIQ, &ReceivePanel::chkFlipIQ_Click);
    on(chkIQSelectUpper, &ReceivePanel::chkIQSelectUpper_Click);
    on(chkNB, &ReceivePanel::chkNB_Click);
    on(chkNotchOn, &ReceivePanel::chkNotchOn_Click);
    on(chkNotchAuto, &ReceivePanel::chkNotchAuto_Click);
    on(chkNotchMirror, &ReceivePanel::chkNotchMirror_Click);
    on(chkNotchType, &ReceivePanel::chkNotchType_Click);
    on(chkIFFilter, &ReceivePanel::chkIFFilter_Click);
    on(chkMusic, &ReceivePanel::chkMusic_Click);
    on(chkAGC, &ReceivePanel::chkAGC_Click);
    on(chkTuneLo, &ReceivePanel::chkTuneLo_Click);
    connect(dialNB, &Dial::Changing, this, &ReceivePanel::dialNB_Changing);
    optMode.OnClick([this](int index) { optMode_Click(index); });
    optFilter.OnClick([this](int index) { optFilter_Click(index); });
    optIFFilter.OnClick([this](int index) { optIFFilter_Click(index); });
    optNotch.OnClick([this](int index) { optNotch_Click(index); });
    optAGC.OnClick([this](int index) { optAGC_Click(index); });
}

void ReceivePanel::ApplyColours()
{
    if (injectionShown_)
        ShowInjectionColour();
    else
        FormControls::SetForeColour(chkTuneLo, static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRTuningColour));
}
