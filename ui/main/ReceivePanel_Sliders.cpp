#include "ui/main/ReceivePanel.h"

#include "core/BusyGuard.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/FilterObjects.h"
#include "dsp/MakeFilters.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Label.h"
#include "ui/common/MouseCodes.h"
#include "ui/common/Slider.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QEvent>
#include <QSignalBlocker>

#include <cmath>

namespace {

constexpr uint32_t EdgeNormalColour = ButtonArray::NormalColour;
constexpr uint32_t EdgeHighlightColour = ButtonArray::ChosenColour;
constexpr int EdgeHighlightMargin = 50;    // twips inside the slider's edges
constexpr int32_t MusicResetLowEdge = 50;  // Hz
constexpr int32_t ResetNotchWidth = 200;   // Hz
constexpr int RightButton = 2;

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The quantity an inverted slider shows: Max at its Min end.
int32_t Inverted(const Slider* slider, int32_t value) { return slider->Max() + slider->Min() - value; }

// The slider only shows the edge: an edge beyond its reach (a value label can go there) must
// not come back clamped as a new edge.
void ShowEdge(Slider* slider, Label* label, int32_t edge, const char* tipPrefix)
{
    {
        const QSignalBlocker showOnly(slider);
        slider->SetValue(Inverted(slider, edge));
    }
    label->setText(Text(Format(edge, "#0")));
    slider->setToolTip(Text(tipPrefix + Format(edge, "#,##0 Hz")));
    label->update();
    slider->update();
}

void ShowEdgeLabel(int16_t id, int32_t edge, void (*apply)())
{
    ScrollLabels[id].Value = static_cast<float>(edge);
    ScrollLabelSteps::ShowValue(ScrollLabels[id]);
    apply();
}

}   // namespace

void ReceivePanel::ConnectSliders()
{
    connect(sldAGCAttack, &Slider::Change, this, &ReceivePanel::sldAGCAttack_Change);
    connect(sldAGCAttack, &Slider::Scroll, this, &ReceivePanel::sldAGCAttack_Change);
    connect(sldAGCDecay, &Slider::Change, this, &ReceivePanel::sldAGCDecay_Change);
    connect(sldAGCDecay, &Slider::Scroll, this, &ReceivePanel::sldAGCDecay_Change);
    connect(sldBalance, &Slider::Change, this, &ReceivePanel::sldBalance_Change);
    connect(sldBalance, &Slider::Scroll, this, &ReceivePanel::sldBalance_Change);
    for (int index = 0; index < 2; ++index) {
        Slider* edge = sldBW[index];
        connect(edge, &Slider::Change, this, [this, index] { sldBW_Change(index); });
        connect(edge, &Slider::Scroll, this, [this, index] { sldBW_Change(index); });
        connect(edge, &Slider::MouseDown, this, [this, index](int button, int, double, double) {
            sldBW_MouseDown(index, button);
        });
        connect(edge, &Slider::MouseMove, this, [this, index](int, int, double x, double y) {
            sldBW_MouseMove(index, x, y);
        });
        edge->installEventFilter(this);
    }
    connect(sldNB, &Slider::Change, this, &ReceivePanel::sldNB_Change);
    connect(sldNB, &Slider::Scroll, this, &ReceivePanel::sldNB_Change);
    connect(sldNB, &Slider::MouseDown, this, [this](int button, int, double, double) { sldNB_MouseDown(button); });
    connect(sldNotch, &Slider::Change, this, &ReceivePanel::sldNotch_Change);
    connect(sldNotch, &Slider::Scroll, this, &ReceivePanel::sldNotch_Change);
    connect(sldNotchWidth, &Slider::Change, this, &ReceivePanel::sldNotchWidth_Change);
    connect(sldNotchWidth, &Slider::Scroll, this, &ReceivePanel::sldNotchWidth_Change);
    connect(sldNotchWidth, &Slider::MouseDown, this, [this](int button, int, double, double) {
        if (button == RightButton)
            sldNotchWidth->SetValue(Inverted(sldNotchWidth, ResetNotchWidth));
    });
    connect(sldPhaseAngle, &Slider::Change, this, &ReceivePanel::sldPhaseAngle_Change);
    connect(sldPwm, &Slider::Scroll, this, [this] { sldPwm->setToolTip(QString::number(sldPwm->Value())); });
}

void ReceivePanel::sldAGCAttack_Change()
{
    if (agcAttackBusy_)
        return;
    BusyGuard busy(agcAttackBusy_);
    MouseOverS::AGCAttack = static_cast<float>(sldAGCAttack->Value()) / 10.0f;
    ApplyAGCAttack(sldAGCAttack->Value());
    sldAGCAttack->setToolTip(Text("AGC Attack=" + Numeric::Str(MouseOverS::AGCAttack) + " S"));
}

void ReceivePanel::sldAGCDecay_Change()
{
    if (agcDecayBusy_)
        return;
    BusyGuard busy(agcDecayBusy_);
    MouseOverS::AGCDecay = Numeric::CLng(sldAGCDecay->Value() / 10.0);
    // The chain takes the decay in tenths of a millisecond: whole milliseconds here.
    ApplyAGCDecay(MouseOverS::AGCDecay * 10.0);
    sldAGCDecay->setToolTip(Text("AGC Decay=" + Numeric::Str(MouseOverS::AGCDecay) + " mS"));
}

void ReceivePanel::sldBalance_Change()
{
    IQGainBalance = static_cast<float>(sldBalance->Value()) / 10000.0f;
    sldBalance->setToolTip(Text("IQ Imbalance=" + Format(std::abs(IQGainBalance), "#0.0000")));
}

// Index 0 the lower edge, 1 the upper edge; both sliders are inverted (the top is the
// highest frequency).
void ReceivePanel::sldBW_Change(int Index)
{
    if (edgeBusy_)
        return;
    BusyGuard busy(edgeBusy_);
    if (Index == 0)
        FilterLo = Inverted(sldBW[0], sldBW[0]->Value());
    else if (Index == 1)
        FilterHi = Inverted(sldBW[1], sldBW[1]->Value());
    FiltersDirty = true;
    ShowFilterEdges();
}

// A right click puts the edge back where the last preset put it; in music mode the lower
// edge goes to 50 Hz.
void ReceivePanel::sldBW_MouseDown(int Index, int Button)
{
    if (Button != RightButton || !sldBW.Contains(Index))
        return;
    Slider* slider = sldBW[Index];
    if (Index == 0 && MusicModeActive) {
        slider->SetValue(Inverted(slider, MusicResetLowEdge));
        return;
    }
    double edge = 0.0;
    TryStep([&] { edge = Numeric::Val(slider->Tag.toStdString()); });
    slider->SetValue(Numeric::CLng(slider->Max() - edge + slider->Min()));
}

void ReceivePanel::sldBW_MouseMove(int Index, double X, double Y)
{
    Slider* slider = sldBW[Index];
    slider->setFocus();
    const double width = FormUnits::PixelsToTwips(slider->width());
    const double height = FormUnits::PixelsToTwips(slider->height());
    const bool inside = X >= EdgeHighlightMargin && X <= width - EdgeHighlightMargin && Y >= EdgeHighlightMargin &&
                        Y <= height - EdgeHighlightMargin;
    ColourEdgeLabels(Index, inside ? EdgeHighlightColour : EdgeNormalColour);
}

void ReceivePanel::ColourEdgeLabels(int Index, uint32_t colour)
{
    Label* description = Index == 0 ? lblFloDesc : lblFHiDesc;
    FormControls::SetForeColour(description, colour);
    FormControls::SetForeColour(Index == 0 ? lblFLo : lblFHi, FormControls::ForeColour(description));
}

bool ReceivePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        for (int index = 0; index < 2; ++index) {
            if (watched == sldBW[index])
                ColourEdgeLabels(index, EdgeNormalColour);
        }
    }
    return QObject::eventFilter(watched, event);
}

// Errors here are skipped: the level follows the slider whatever the caption does.
void ReceivePanel::InitialiseNoiseReducerSlider()
{
    ScrollLabelSteps::SetCompanionLimits(sldNB, ScrollLabels[lblNBIndex]);
    sldNB->SetValue(0);
    sldNB_Change();
}

void ReceivePanel::InitialiseNoiseReducerKnob()
{
    ScrollLabelSteps::SetCompanionLimits(dialNB, ScrollLabels[lblNBIndex]);
    dialNB->SetValue(0);
    dialNB_Changing();
}

void ReceivePanel::sldNB_Change()
{
    if (nbSliderBusy_)
        return;
    BusyGuard busy(nbSliderBusy_);
    ScrollLabelRecord& record = ScrollLabels[lblNBIndex];
    if (record.Busy)
        return;
    TryStep([&] {
        const int32_t v = sldNB->Value();
        record.Value = static_cast<float>(v);
        NRLevel = static_cast<float>(v) / (static_cast<float>(sldNB->Max() - sldNB->Min()) * 2.5f);
        ScrollLabelSteps::ShowCaption(record, NRLevel * 100.0f);
        dialNB->SetValue(v);
    });
}

void ReceivePanel::sldNB_MouseDown(int Button)
{
    if (Button != RightButton)
        return;
    sldNB->SetValue(Numeric::CLng(ScrollLabels[lblNBIndex].Default));
    MouseOverS::lblNB_Wheel();
}

// The notch centre is not read from the slider: the centre in force is applied again. An
// IF notch's label keeps its offset from the IF; the AF notch's label shows the centre.
void ReceivePanel::sldNotch_Change()
{
    if (MouseOverS::NotchCentreBusy)
        return;
    BusyGuard busy(MouseOverS::NotchCentreBusy);
    lblNotch->setText(Text(Format(NotchFilterCenter, "###0")));
    NotchHi = NotchFilterCenter + NotchFilterWidth / 2;
    NotchLo = NotchFilterCenter - NotchFilterWidth / 2;
    if (NotchFilter.Active)
        NotchDirty = true;
    if (NotchType == NotchTypeEnum::AF)
        ScrollLabels[lblNotchCIndex].Value = static_cast<float>(NotchFilterCenter);
    ScrollLabelSteps::ShowValue(ScrollLabels[lblNotchCIndex]);
    sldNotch->setToolTip(Text("Notch Centre : " + Format(NotchFilterCenter, "#,###0 Hz")));
}

void ReceivePanel::sldNotchWidth_Change()
{
    if (notchWidthBusy_)
        return;
    BusyGuard busy(notchWidthBusy_);
    MouseOverS::NotchPrevWidth = NotchFilterWidth;
    NotchFilterWidth = Inverted(sldNotchWidth, sldNotchWidth->Value());
    lblNotchWidth->setText(Text(Format(NotchFilterWidth, "###0")));
    NotchLo = NotchFilterCenter - NotchFilterWidth / 2;
    if (NotchLo < 1)
        NotchLo = 0;
    NotchHi = NotchFilterCenter + NotchFilterWidth / 2;
    NotchDirty = true;
    sldNotchWidth->setToolTip(Text("Notch Width : " + Format(NotchFilterWidth, "#,###0 Hz")));
}

void ReceivePanel::sldPhaseAngle_Change()
{
    PhaseAngle = sldPhaseAngle->Value() / 10000.0;
    PhaseFilterQ.PhaseAngle = PhaseAngle;
    MakeFilters();
    sldPhaseAngle->setToolTip(Text(Numeric::Str(PhaseAngle)));
}

// The edge sliders, their captions and tool tips, and value labels 7 and 8 show the AF
// pass band in force.
void ReceivePanel::ShowFilterEdges()
{
    if (showFilterEdgesBusy_)
        return;
    BusyGuard busy(showFilterEdgesBusy_);
    ShowEdge(sldBW[0], lblFLo, FilterLo, "Flo : ");
    ShowEdge(sldBW[1], lblFHi, FilterHi, "Fhi : ");
    ShowEdgeLabel(lblFilterHiIndex, FilterHi, MouseOverS::lblFilterHi_Wheel);
    ShowEdgeLabel(lblFilterLoIndex, FilterLo, MouseOverS::lblFilterLo_Wheel);
}
