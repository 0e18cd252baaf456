#include "ui/main/frmMain.h"

#include "core/PublicFuncs.h"
#include "core/PublicVars.h"
#include "core/TryStep.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "ui/main/ScrollLabels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <optional>

namespace {

uint32_t Colour(int32_t colour) { return static_cast<uint32_t>(colour); }

// An option button or check box whose own code has given it another text colour than the
// label colour the scheme gave it: the chosen mode, filter or sub-band, a switch that is on.
bool ShowsItsState(const QWidget* control, std::optional<uint32_t> labelColourGiven)
{
    const bool button = qobject_cast<const QRadioButton*>(control) || qobject_cast<const QCheckBox*>(control);
    return button && labelColourGiven && FormControls::ForeColour(control) != *labelColourGiven;
}

// Every control by its kind: frames, labels, option buttons and check boxes on the window's
// back colour with their scheme text colour; text, picture and combo boxes and shapes on the
// window's back colour. Command buttons and the hover images keep their look, and so does
// the text colour of a button that shows its state.
void ColourByKind(QWidget* control, uint32_t back, const SDRColourScheme& scheme,
                  std::optional<uint32_t> labelColourGiven)
{
    if (qobject_cast<Image*>(control) || qobject_cast<SevenSegmentLabel*>(control))
        return;
    if (auto* picture = qobject_cast<PictureBox*>(control)) {
        picture->SetBackColor(back);
    } else if (auto* shape = qobject_cast<Shape*>(control)) {
        shape->SetBackColor(back);
    } else if (qobject_cast<Frame*>(control)) {
        FormControls::SetBackColour(control, back);
        FormControls::SetForeColour(control, Colour(scheme.SDRFrameNormalColour));
    } else if (qobject_cast<QLabel*>(control) || qobject_cast<QRadioButton*>(control) ||
               qobject_cast<QCheckBox*>(control)) {
        FormControls::SetBackColour(control, back);
        if (!ShowsItsState(control, labelColourGiven))
            FormControls::SetForeColour(control, Colour(scheme.SDRLabelColour));
    } else if (qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control)) {
        FormControls::SetBackColour(control, back);
    }
}

} // namespace

// The colour scheme on every control of the window. The caller has set the window's back
// colour (SDRBackgroundColour); the value labels take the scheme's colours (the frequency
// display the tuning colour, 85 % while not hovered), and the meter is drawn again. After
// the start-up the buttons that show a selection or a switch's state keep their colours:
// only those still in the label colour given last time take the scheme's new one; the
// panels give the controls that show their state (power, injection side, tuning-rate lock,
// statistics) their colours. (The recording options' frames take theirs back as every frame
// takes its normal colour.)
void frmMain::ReColour()
{
    const SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    const uint32_t back = FormControls::BackColour(this);
    for (QWidget* control : findChildren<QWidget*>())
        TryStep([&] { ColourByKind(control, back, scheme, labelColourGiven_); });
    labelColourGiven_ = Colour(scheme.SDRLabelColour);

    for (ScrollLabelRecord& record : ScrollLabels) {
        record.FocusColour = scheme.ScrollableLabelFocusColour;
        record.NormalColour = scheme.ScrollableLabelNormalColour;
        if (record.Label)
            FormControls::SetForeColour(record.Label, Colour(record.NormalColour));
    }
    ScrollLabels[1].NormalColour = PublicFuncs::ScaleColour(scheme.SDRTuningColour, 85);
    ScrollLabels[1].FocusColour = scheme.SDRTuningColour;

    Frequency->ApplyColours();
    Receive->ApplyColours();
    Recorder->ApplyColours();
    Power->ApplyColours();
    Statistics->ApplyColours();
    Analyser->ApplyColours();
    SMeter->ApplyColours();
}

// The window's own back colour from the scheme, then the scheme on every control, the value
// labels and frames back to their normal look.
void frmMain::ApplyColourScheme()
{
    FormControls::SetBackColour(this, Colour(PublicVars::SDRColourSchemes.SDRBackgroundColour));
    ReColour();
    DarkenControls();
    UnFocusFrames();
}
