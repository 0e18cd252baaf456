#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "core/Numeric.h"
#include "dsp/ReceiveState.h"
#include "radio/clsDDSSerialIF.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Line.h"
#include "ui/main/MainWindowSettings.h"

#include <QPushButton>
#include <QResizeEvent>

// The clicks that lead from a size to the configuration window, whose button only the full
// size shows.
std::string frmMain::ConfigurationPath() { return ConfigurationPath(DisplayMode); }

std::string frmMain::ConfigurationPath(int32_t displayMode)
{
    switch (displayMode) {
    case 3: return "Config";
    case 0: return "\u25BC, then Display: Full, then Config";
    default: return "Display: Full, then Config";
    }
}

// The start-up shows the stored size only after the receiver is set up: a box about the serial
// port that the set-up shows leads the way from that size, the one the user meets once it is
// answered.
void frmMain::WithPathFromStoredSize(const std::function<void()>& step)
{
    struct Restore
    {
        std::function<std::string()> earlier = clsDDSSerialIF::ConfigurationPath;
        ~Restore() { clsDDSSerialIF::ConfigurationPath = std::move(earlier); }
    } restore;
    const int32_t shownNext = MainWindowSettings::StoredDisplayMode();
    clsDDSSerialIF::ConfigurationPath = [shownNext] { return ConfigurationPath(shownNext); };
    step();
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
