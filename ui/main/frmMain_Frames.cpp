#include "ui/main/frmMain.h"

#include "core/BusyGuard.h"
#include "core/PublicVars.h"
#include "ui/bandplan/frmPresetDesc.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/MouseCodes.h"
#include "ui/common/PictureBox.h"
#include "ui/main/ScrollLabels.h"

#include <QComboBox>
#include <QListWidget>
#include <QMouseEvent>

#include <initializer_list>

namespace {

bool focusFrameBusy = false;

}   // namespace

void frmMain::UnFocusFrames()
{
    const auto normal = static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameNormalColour);
    for (Frame* frame : findChildren<Frame*>())
        FormControls::SetForeColour(frame, normal);
    FormControls::SetForeColour(BandPlan->lblSubBand, normal);
    Recorder->RestoreOptionsColour();   // the recording options' frames show the recorder's state
}

// A call made while the previous one still runs is ignored.
void frmMain::FocusFrame(Frame* frame)
{
    if (focusFrameBusy)
        return;
    BusyGuard busy(focusFrameBusy);
    UnFocusFrames();
    FormControls::SetForeColour(frame, static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameFocusColour));
}

// Selectors and pop-ups away, every value label back to normal, no focus.
void frmMain::DarkenControls()
{
    if (BandPlan->PresetDesc)
        BandPlan->PresetDesc->hide();
    BandPlan->HideBandSelectors();
    for (int16_t id = 2; id <= 24; ++id)
        Labels->LoLiteScrollLabel(id);
    Analyser->HideScopeReadouts();
    FocusedLabelID = 0;
}

// The pointer over the bare window or the statistics clears every highlight.
void frmMain::Form_MouseMove(int, int, double, double)
{
    DarkenControls();
    FocusedLabelID = 0;
}

void frmMain::picCalib_MouseMove(int, int, double, double) { DarkenControls(); }

// A release over the bare window ends a drag by the power frame too.
void frmMain::Form_MouseUp(int, int, double, double) { Power->PowerFrameDragging = false; }

// The bare window's own mouse events (the central widget's).
bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (watched == centralWidget() && (release || event->type() == QEvent::MouseMove)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPointF at = mouse->position() * FormUnits::TwipsPerPixel;
        const int shift = MouseCodes::ShiftCode(mouse->modifiers());
        if (release)
            Form_MouseUp(MouseCodes::ButtonCode(mouse->button()), shift, at.x(), at.y());
        else
            Form_MouseMove(MouseCodes::ButtonCode(mouse->buttons()), shift, at.x(), at.y());
    }
    return QMainWindow::eventFilter(watched, event);
}
