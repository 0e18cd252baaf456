#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "core/Numeric.h"
#include "dsp/ReceiveState.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Line.h"

#include <QPushButton>
#include <QResizeEvent>

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
