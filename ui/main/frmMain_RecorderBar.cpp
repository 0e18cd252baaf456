#include "ui/main/frmMain.h"

#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/main/PanelBuilder.h"

#include <QPushButton>

using namespace PanelBuilder;

namespace {

constexpr int BarTop = 6690;

}   // namespace

// The recorder (its bar and bit-depth buttons), the configuration button and the
// receiver's clock, IF and version.
void frmMain::CreateRecorderBar(QWidget* form)
{
    Recorder = std::make_unique<RecorderPanel>(form, BarTop, Hub);
    cmdConfig = MakeCommand(form, "cmdConfig", "Config", "", {10800, BarTop + 45, 780, 390});
    lblCLKINFreq = MakeLabel(form, "lblCLKINFreq", "", {11610, BarTop, 975, 165}, "Oscillator clock, Hz");
    lblIFFreq = MakeLabel(form, "lblIFFreq", "", {11610, BarTop + 165, 975, 165}, "IF, Hz");
    lblVer = MakeLabel(form, "lblVer", "", {11610, BarTop + 330, 975, 165});
}

// Each display size's client area ends at one of these lines.
void frmMain::CreateMarkerLines(QWidget* form)
{
    auto marker = [form](const char* name, int y) {
        auto* line = new Line(form);
        line->setObjectName(name);
        line->SetEnds(0, y, 12600, y);
        line->hide();
        return line;
    };
    linCompact = marker("linCompact", 1280);
    linNormal = marker("linNormal", 3650);
    linExtended = marker("linExtended", 6660);
    linConfig = marker("linConfig", 7200);
}
