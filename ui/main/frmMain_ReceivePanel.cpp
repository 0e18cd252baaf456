#include "ui/main/frmMain.h"

#include "ui/common/Dial.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/PanelBuilder.h"
#include "ui/main/ScrollLabels.h"

#include <QCheckBox>

using namespace PanelBuilder;

namespace {

constexpr int RowA = 1320;   // top of the receive controls' upper row
constexpr int RowB = 2490;   // and of their lower row

}   // namespace

// The receive controls: mode, AF filter, IF filter, notch, AGC, noise reducer, output
// level, the tuning offsets and I/Q switches, and the display sizes.
void frmMain::CreateReceiveControls(QWidget* form)
{
    frDemod = MakeFrame(form, "frDemod", "Mode", {60, RowA, 1020, 2280});
    optMode = MakeArray(frDemod, "optMode", ButtonArray::Kind::Option,
                        {{"&AM", "AM Demodulation", {120, 240, 840, 255}},
                         {"&USB", "Single Sideband - Upper Sideband", {120, 525, 840, 255}},
                         {"&LSB", "Single Sideband - Lower Sideband", {120, 810, 840, 255}},
                         {"&DRM", "DRM mode - Select, then launch Dream/DRM.EXE manually", {120, 1095, 840, 255}},
                         {"&FM", "Frequency Demodulation", {120, 1380, 840, 255}},
                         {"&BC", "AM Demodulation ", {120, 1665, 840, 255}},
                         {"&SAM", "Synchronous AM", {120, 1950, 840, 255}}});

    CreateFilterControls(form);
    CreateLevelControls(form);

    Frequency->CreateOffsetLabels(form, RowA + 60);
    chkTuneLo = MakeCheck(form, "chkTuneLo", "Low Side LO", "Lo Side LO Injection (Elektor DRM)",
                          {9720, RowA + 330, 1440, 240});
    chkIQSelectUpper = MakeCheck(form, "chkIQSelectUpper", "IQ Upper", "Lo Side LO Injection (Elektor DRM)",
                                 {11220, RowA + 330, 1260, 240});
    chkFlipIQ = MakeCheck(form, "chkFlipIQ", "L<->R", "", {9720, RowA + 600, 1440, 240});
    MakeLabel(form, "lblBalanceDesc", "Balance", {9720, RowA + 900, 720, 210});
    sldBalance = MakeSlider(form, "sldBalance", Qt::Horizontal, {10440, RowA + 870, 2040, 270}, -1000, 1000);
    MakeLabel(form, "lblPhaseDesc", "Phase", {9720, RowA + 1230, 720, 210});
    sldPhaseAngle = MakeSlider(form, "sldPhaseAngle", Qt::Horizontal, {10440, RowA + 1200, 2040, 270}, -1000, 1000);
    sldPwm = MakeSlider(form, "sldPwm", Qt::Horizontal, {11340, RowB + 900, 1140, 210}, 0, 100);
    sldPwm->hide();   // a spare control

    frDispMode = MakeFrame(form, "frDispMode", "Display", {9660, RowA + 1530, 2880, 780});
    optDisplaySize = MakeArray(frDispMode, "optDisplaySize", ButtonArray::Kind::Option,
                               {{"Comp", "Just VFO & S Meter", {120, 300, 630, 330}},
                                {"Std", "All the controls", {810, 300, 630, 330}},
                                {"Ext", "Spectrum Display & Configuration Buttons", {1500, 300, 630, 330}},
                                {"Full", "Everything + Config Button", {2190, 300, 630, 330}}});
    Graphical(optDisplaySize);
}

// AF filter presets and edges, IF filter and notch.
void frmMain::CreateFilterControls(QWidget* form)
{
    frFilters = MakeFrame(form, "frFilters", "AF Filter", {1140, RowA, 2160, 2280});
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

    frIFFilter = MakeFrame(form, "frIFFilter", "IF Filter", {3360, RowA, 2280, 1140});
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

    frNotch = MakeFrame(form, "frNotch", "Notch", {3360, RowB, 2280, 1110});
    chkNotchOn = MakeCheck(frNotch, "chkNotchOn", "On", "Notch On/Off", {120, 225, 690, 240});
    chkNotchAuto = MakeCheck(frNotch, "chkNotchAuto", "Auto", "Auto Notch Mode", {810, 225, 720, 240});
    optNotch = MakeArray(frNotch, "optNotch", ButtonArray::Kind::Option,
                         {{"Man", "Manual Notch", {120, 465, 690, 240}}, {"Auto", "Auto Notch", {810, 465, 720, 240}}});
    chkNotchMirror = MakeCheck(frNotch, "chkNotchMirror", "Mirror", "Notch Mirror", {120, 705, 870, 240});
    chkNotchType = MakeCheck(frNotch, "chkNotchType", "IF", "AF or IF Notch", {990, 705, 540, 240});
    lblNotchCDesc = MakeLabel(frNotch, "lblNotchCDesc", "C", {120, 900, 150, 180});
    lblNotchC = MakeLabel(frNotch, "lblNotchC", "1000", {270, 900, 540, 180});
    scrollLabelBinding_.Bind(lblNotchCIndex, lblNotchC);
    lblNotchWDesc = MakeLabel(frNotch, "lblNotchWDesc", "W", {810, 900, 180, 180});
    lblNotchW = MakeLabel(frNotch, "lblNotchW", "100", {990, 900, 540, 180});
    scrollLabelBinding_.Bind(lblNotchWIndex, lblNotchW);
    lblNotch = MakeLabel(frNotch, "lblNotch", "0", {1530, 180, 360, 180}, "", Qt::AlignCenter);
    lblNotchWidth = MakeLabel(frNotch, "lblNotchWidth", "0", {1890, 180, 360, 180}, "", Qt::AlignCenter);
    sldNotch = MakeSlider(frNotch, "sldNotch", Qt::Vertical, {1560, 360, 300, 690}, 0, 6000);
    sldNotchWidth = MakeSlider(frNotch, "sldNotchWidth", Qt::Vertical, {1920, 360, 300, 690}, 0, 5000);
}

// AGC, noise reducer and output level.
void frmMain::CreateLevelControls(QWidget* form)
{
    frAGC = MakeFrame(form, "frAGC", "AGC", {5700, RowA, 2400, 1140});
    chkAGC = MakeCheck(frAGC, "chkAGC", "", "", {120, 240, 270, 240});
    optAGC = MakeArray(frAGC, "optAGC", ButtonArray::Kind::Option,
                       {{"Off", "AGC OFF", {420, 240, 600, 240}},
                        {"Fast", "Fast (CW)", {1050, 240, 660, 240}},
                        {"Normal", "Normal (AM)", {420, 480, 840, 240}},
                        {"Slow", "Slow (SSB)", {1290, 480, 660, 240}},
                        {"u", "", {1950, 480, 420, 240}}});
    MakeLabel(frAGC, "lblAGCAttackDesc", "Att", {120, 750, 360, 180});
    sldAGCAttack = MakeSlider(frAGC, "sldAGCAttack", Qt::Horizontal, {480, 720, 1290, 210}, 5, 1000);
    lblAGCAttack = MakeLabel(frAGC, "lblAGCAttack", "5.0", {1800, 750, 540, 180});
    scrollLabelBinding_.Bind(lblAGCAttackIndex, lblAGCAttack);
    MakeLabel(frAGC, "lblAGCDecayDesc", "Dec", {120, 930, 360, 180});
    sldAGCDecay = MakeSlider(frAGC, "sldAGCDecay", Qt::Horizontal, {480, 900, 1290, 210}, 10, 2000);
    lblAGCDecay = MakeLabel(frAGC, "lblAGCDecay", "5.0", {1800, 930, 540, 180});
    scrollLabelBinding_.Bind(lblAGCDecayIndex, lblAGCDecay);

    frNB = MakeFrame(form, "frNB", "Noise Reducer", {5700, RowB, 2400, 1110});
    chkNB = MakeCheck(frNB, "chkNB", "On", "Experimental Noise Reducer", {120, 240, 690, 240});
    sldNB = MakeSlider(frNB, "sldNB", Qt::Horizontal, {120, 540, 1410, 240}, 0, 10000);
    lblNB = MakeLabel(frNB, "lblNB", "0.00", {120, 840, 690, 180});
    scrollLabelBinding_.Bind(lblNBIndex, lblNB);
    dialNB = Make<Dial>(frNB, "dialNB", {1590, 210, 750, 750});
    dialNB->SetWrap(false);
    dialNB->SetMax(10000);

    frAFOut = MakeFrame(form, "frAFOut", "AF Out", {8160, RowA, 1440, 2280});
    dialOutVol = Make<Dial>(frAFOut, "dialOutVol", {180, 240, 1080, 1080});
    dialOutVol->SetWrap(false);
    dialOutVol->SetMin(-10000);
    dialOutVol->SetMax(8000);
    lblOutVol = MakeLabel(frAFOut, "lblOutVol", "0.0", {90, 1350, 1260, 195}, "", Qt::AlignCenter);
    scrollLabelBinding_.Bind(lblOutVolIndex, lblOutVol);
    sldOutVolume = MakeSlider(frAFOut, "sldOutVolume", Qt::Horizontal, {90, 1590, 1260, 270}, -10000, 8000);
    chkMute = MakeCheck(frAFOut, "chkMute", "Mute", "Mute AF Output", {180, 1920, 1080, 240});
}
