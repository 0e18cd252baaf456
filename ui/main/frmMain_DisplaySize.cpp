#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "core/Numeric.h"
#include "dsp/ReceiveState.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Line.h"

#include <QPushButton>
#include <QResizeEvent>

// The way to the configuration window from the size in force, and the analyser's switch.
void frmMain::ConnectDisplaySize()
{
    QELVODX8::ConfigurationPath = [] { return ConfigurationPath(); };
}

// A display size's client area ends at its marker line (0 Comp, 1 Std, 2 Ext, 3 Full).
void frmMain::CutWindowAtSize(int size)
{
    const Line* markers[] = {linCompact, linNormal, linExtended, linConfig};
    SetClientHeight(markers[size]->Y1());
}

// The size the window came to is the one it keeps; the height to return to counts the
// caption bar while that is hidden.
void frmMain::KeepWindowSize()
{
    using FormUnits::PixelsToTwips;
    const int32_t windowHeight = PixelsToTwips(frameGeometry().height());
    FullWindowHeight = TitleBarHidden ? windowHeight + TitleBarHeight : windowHeight;
    DisplayHeight = PixelsToTwips(height());
    DisplayWidth = PixelsToTwips(width());
}

// The clicks that lead from the size in force to the configuration window, whose button
// only the full size shows.
std::string frmMain::ConfigurationPath()
{
    switch (DisplayMode) {
    case 3: return "Config";
    case 0: return "\u25BC, then Display: Full, then Config";
    default: return "Display: Full, then Config";
    }
}

// The client area ends at the given height (twips); the width stays.
void frmMain::SetClientHeight(int twips) { resize(width(), FormUnits::TwipsToPixels(twips)); }

// In the normal window state the window returns to the size the display-size buttons chose.
void frmMain::Form_Resize()
{
    if (isMinimized() || isMaximized() || isFullScreen())
        return;
    using FormUnits::TwipsToPixels;
    if (DisplayHeight > 0 && height() != TwipsToPixels(DisplayHeight))
        resize(width(), TwipsToPixels(DisplayHeight));
    if (DisplayWidth > 0 && width() != TwipsToPixels(DisplayWidth))
        resize(TwipsToPixels(DisplayWidth), height());
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}
