#include "ui/main/frmMain.h"

#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"

// The hover handlers of the mode and filter frames, the statistics panel and the bare window.
void frmMain::ConnectHover()
{
    Receive->ConnectHover();
    connect(Statistics->frStats, &Frame::MouseMove, this, &frmMain::picCalib_MouseMove);
}

void frmMain::Form_MouseMove(int, int, double, double)
{
    DarkenControls();
    FocusedLabelID = 0;
}

void frmMain::picCalib_MouseMove(int, int, double, double) { DarkenControls(); }
