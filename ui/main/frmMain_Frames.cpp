#include "ui/main/frmMain.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/Numeric.h"
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

// The frame under the pointer shows its caption in the focus colour; value labels the
// pointer has left lose their highlight. Frames whose hover only colours (the scope's and
// the power frame) leave the focused value label alone.
void frmMain::ConnectFrameFocus()
{
    // Frames that take the focus and clear the value labels they hold (0 clears the focus).
    auto hover = [this](Frame* frame, std::initializer_list<int16_t> labels) {
        const std::vector<int16_t> ids(labels);
        connect(frame, &Frame::MouseMove, this, [this, frame, ids] {
            FocusFrame(frame);
            for (int16_t id : ids)
                LoLiteScrollLabel(id);
        });
    };
    hover(frAFOut, {0, 10});
    hover(frAGC, {0, 13, 14});
    hover(frIFFilter, {0, 17, 18});
    hover(frDispMode, {0});
    hover(frNB, {0, 9});
    hover(frNotch, {0, 11, 12});
    for (Frame* scope : {frScopeChn1Ctl, frScopeChn2Ctl, frScopeMode, frScopeSweep, frScopeYMode})
        connect(scope, &Frame::MouseMove, this, [this, scope] { FocusFrame(scope); });
    connect(frPower, &Frame::MouseDown, this, &frmMain::frPower_MouseDown);
    connect(frPower, &Frame::MouseMove, this, &frmMain::frPower_MouseMove);
    connect(frPower, &Frame::MouseUp, this, &frmMain::frPower_MouseUp);
    connect(imgAreaScope, &Label::MouseMove, this, &frmMain::imgAreaScope_MouseMove);
}

void frmMain::UnFocusFrames()
{
    const auto normal = static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameNormalColour);
    for (Frame* frame : findChildren<Frame*>())
        FormControls::SetForeColour(frame, normal);
    FormControls::SetForeColour(lblSubBand, normal);
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

// The value label back to its normal colour without border (the RIT label in the tuning
// colour); in every case no value label has the focus any more.
void frmMain::LoLiteScrollLabel(int16_t ID)
{
    if (ID > 0 && ID < ScrollLabelCount) {
        const ScrollLabelRecord& record = ScrollLabels[static_cast<size_t>(ID)];
        if (record.Label) {
            const int32_t normal = ID == lblBFOIndex ? PublicVars::SDRColourSchemes.SDRTuningColour : record.NormalColour;
            FormControls::SetForeColour(record.Label, static_cast<uint32_t>(normal));
            record.Label->setFrameShape(QFrame::NoFrame);
        }
    }
    FocusedLabelID = 0;
}

// Selectors and pop-ups away, every value label back to normal, no focus.
void frmMain::DarkenControls()
{
    if (PresetDesc)
        PresetDesc->hide();
    HideBandSelectors();
    for (int16_t id = 2; id <= 24; ++id)
        LoLiteScrollLabel(id);
    HideScopeReadouts();
    FocusedLabelID = 0;
}

void frmMain::imgAreaScope_MouseMove(int, int, double, double)
{
    DarkenControls();
}

// Any button on the power frame starts dragging the window by it.
void frmMain::frPower_MouseDown(int, int, double X, double Y)
{
    PowerFrameDragging = true;
    DragStartX = Numeric::CLng(X);
    DragStartY = Numeric::CLng(Y);
}

// The window moves by the pointer's travel over the frame, so the pointer keeps its place
// on the frame while the window follows it.
void frmMain::frPower_MouseMove(int, int, double X, double Y)
{
    FocusFrame(frPower);
    if (!PowerFrameDragging)
        return;
    using FormUnits::PixelsToTwips;
    using FormUnits::TwipsToPixels;
    const int32_t left = Numeric::CLng(PixelsToTwips(x()) - DragStartX + X);
    const int32_t top = Numeric::CLng(PixelsToTwips(y()) - DragStartY + Y);
    move(TwipsToPixels(left), TwipsToPixels(top));
    DoEvents();
}

void frmMain::frPower_MouseUp(int, int, double, double) { PowerFrameDragging = false; }

void frmMain::Form_MouseUp(int, int, double, double) { PowerFrameDragging = false; }

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
    if (event->type() == QEvent::Leave && (watched == picScope[0] || watched == picScope[1]))
        ScopePointerLeft(*static_cast<QWidget*>(watched));
    EdgeSliderLostFocus(watched, event);
    if (BandPlanControlEvent(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}
