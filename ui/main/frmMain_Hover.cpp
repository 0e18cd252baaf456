#include "ui/main/frmMain.h"

#include "core/PublicVars.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"

namespace {

uint32_t FrameFocusColour() { return static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameFocusColour); }

} // namespace

// The hover handlers of the mode and filter frames, the statistics panel and the bare window.
void frmMain::ConnectHover()
{
    connect(frDemod, &Frame::MouseMove, this, &frmMain::frDemod_MouseMove);
    connect(frFilters, &Frame::MouseMove, this, &frmMain::frFilters_MouseMove);
    connect(Statistics->frStats, &Frame::MouseMove, this, &frmMain::picCalib_MouseMove);
}

void frmMain::Form_MouseMove(int, int, double, double)
{
    DarkenControls();
    FocusedLabelID = 0;
}

void frmMain::picCalib_MouseMove(int, int, double, double) { DarkenControls(); }

void frmMain::frDemod_MouseMove(int, int, double, double)
{
    UnFocusFrames();
    FormControls::SetForeColour(frDemod, FrameFocusColour());
    for (int16_t id : {7, 8, 0})
        LoLiteScrollLabel(id);
}

void frmMain::frFilters_MouseMove(int, int, double, double)
{
    UnFocusFrames();
    FormControls::SetForeColour(frFilters, FrameFocusColour());
    for (int16_t id : {0, 7, 8})
        LoLiteScrollLabel(id);
}
