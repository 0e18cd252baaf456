#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "core/Numeric.h"
#include "dsp/ReceiveState.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Line.h"

#include <QPushButton>
#include <QResizeEvent>

void frmMain::ConnectDisplaySize()
{
    optDisplaySize.OnClick([this](int index) { optDisplaySize_Click(index); });
    connect(cmdMoreControls, &QPushButton::clicked, this, [this] { optDisplaySize.Select(1); });
    QELVODX8::ConfigurationPath = [] { return ConfigurationPath(); };
}

// The window shows the bands above the chosen size's marker line and keeps that size. The
// two small sizes switch the statistics and the analyser off; the two large ones let their
// check boxes decide again. Nothing is moved or hidden: the controls below the marker lie
// outside the window.
void frmMain::optDisplaySize_Click(int Index)
{
    DisplayHeight = 0;
    DisplayWidth = 0;
    optDisplaySize.HighlightOnly(Index);
    DisplayMode = Index;
    cmdMoreControls->setVisible(Index == 0);
    switch (Index) {
    case 0:
    case 1:
        SetClientHeight((Index == 0 ? linCompact : linNormal)->Y1());
        PerfStatsOn = false;
        if (SpectrumAnalyser)
            SpectrumAnalyser->Active(false);
        break;
    case 2:
    case 3:
        SetClientHeight((Index == 2 ? linExtended : linConfig)->Y1());
        Statistics->chkPerfStatsOn_Click();
        Analyser->chkSpectrumAnalyser_Click();
        break;
    default:
        break;
    }
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
