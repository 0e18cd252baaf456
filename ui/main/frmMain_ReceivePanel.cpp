#include "ui/main/frmMain.h"

#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/main/PanelBuilder.h"
#include "ui/main/ScrollLabels.h"

using namespace PanelBuilder;

namespace {

constexpr int RowA = 1320;   // top of the receive controls' upper row
constexpr int RowB = 2490;   // and of their lower row

}   // namespace

// The receive controls: mode, AF filter, IF filter, notch, AGC, noise reducer, output
// level, the tuning offsets and I/Q switches, and the display sizes.
void frmMain::CreateReceiveControls(QWidget* form)
{
    Receive = std::make_unique<ReceivePanel>(form, Hub, RowA, RowB);
    AudioOut = std::make_unique<AudioOutPanel>(form, Hub, Place{8160, RowA, 1440, 2280});

    Frequency->CreateOffsetLabels(form, RowA + 60);
    Receive->CreateInjectionControls(form);

    DisplaySize = std::make_unique<DisplaySizePanel>(form, Place{9660, RowA + 1530, 2880, 780}, Hub);
}
