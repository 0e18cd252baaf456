#include "ui/main/frmMain.h"

#include "core/PublicVars.h"
#include "ui/bandplan/frmPresetDesc.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QListWidget>

namespace {

uint32_t FrameFocusColour() { return static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameFocusColour); }

// Strictly inside the control's left and right edges, and in the given share of its place
// from the top (frame coordinates, twips).
bool OverPlace(const QWidget* control, double X, double Y, double share)
{
    using FormUnits::PixelsToTwips;
    const QRect place = control->geometry();
    return X > PixelsToTwips(place.left()) && X < PixelsToTwips(place.left() + place.width()) &&
           Y >= PixelsToTwips(place.top()) && Y < PixelsToTwips(place.top()) + PixelsToTwips(place.height()) * share;
}

// The upper half of its place reveals a selector; once shown it stays while the pointer is
// anywhere over it.
bool Reveals(const QWidget* selector, double X, double Y)
{
    return OverPlace(selector, X, Y, 0.5) || (selector->isVisible() && OverPlace(selector, X, Y, 1.0));
}

bool ListOpen(const QComboBox* selector) { return selector->view() && selector->view()->isVisible(); }

void HideUnlessOpen(QComboBox* selector)
{
    if (!ListOpen(selector))
        selector->hide();
}

} // namespace

// The hover handlers of the mode, filter and presets frames, the band selector's area, the
// statistics panel and the bare window.
void frmMain::ConnectHover()
{
    Receive->ConnectHover();
    connect(frPresets, &Frame::MouseMove, this, &frmMain::frPresets_MouseMove);
    connect(imgBandSelect, &Label::MouseMove, this, &frmMain::imgBandSelect_MouseMove);
    connect(Statistics->frStats, &Frame::MouseMove, this, &frmMain::picCalib_MouseMove);
}

void frmMain::Form_MouseMove(int, int, double, double)
{
    DarkenControls();
    FocusedLabelID = 0;
}

void frmMain::picCalib_MouseMove(int, int, double, double) { DarkenControls(); }

// The image lies over the selectors' places: over their upper halves it reveals them as the
// frame's background does (X, Y are the image's own twips).
void frmMain::imgBandSelect_MouseMove(int, int, double X, double Y)
{
    UnFocusFrames();
    using FormUnits::PixelsToTwips;
    RevealBandSelectors(X + PixelsToTwips(imgBandSelect->x()), Y + PixelsToTwips(imgBandSelect->y()));
    lblSubBand->update();
}

void frmMain::frPresets_MouseMove(int, int, double X, double Y)
{
    UnFocusFrames();
    FormControls::SetForeColour(frPresets, FrameFocusColour());
    RevealBandSelectors(X, Y);
    if (PresetDesc)
        PresetDesc->hide();
    LoLiteScrollLabel(0);
}

// The band and sub-band selectors appear while the pointer (frame twips) is over the upper
// half of their places and stay while it is over them; the sub-band label gives way to its
// selector.
void frmMain::RevealBandSelectors(double X, double Y)
{
    const bool band = Reveals(cboBandSelect, X, Y);
    const bool subBand = cboSubBandSelect->isEnabled() && Reveals(cboSubBandSelect, X, Y);
    HideBandSelectors();
    lstSubBandSelect->setEnabled(false);
    if (band)
        cboBandSelect->show();
    if (subBand) {
        cboSubBandSelect->show();
        lblSubBand->hide();
    }
}

// A selector whose list is open stays until an entry is picked or the list is closed.
void frmMain::HideBandSelectors()
{
    HideUnlessOpen(cboBandSelect);
    HideUnlessOpen(cboSubBandSelect);
    lstSubBandSelect->hide();
    if (!cboSubBandSelect->isVisible())
        lblSubBand->show();
}
