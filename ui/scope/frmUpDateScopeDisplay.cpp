#include "ui/scope/frmUpDateScopeDisplay.h"

#include "core/Numeric.h"
#include "core/TryStep.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <algorithm>

// A live receiver draws new samples, one that is off redraws the kept frame. Between redraws
// the counter keeps to its low 15 bits; it is never reset, so a new rate applies from the
// next call. A rate below 1 redraws on every call.
void frmUpDateScopeDisplay::UpdateScopeDisplay()
{
    if (MainWindowMinimised && MainWindowMinimised())
        return;
    frameCounter_ = static_cast<int32_t>(static_cast<uint32_t>(frameCounter_) + 1u);
    int32_t every = 1;
    if (FrameRateValue)
        TryStep([&] { every = std::max(1, Numeric::CLng(FrameRateValue())); });
    if (frameCounter_ % every != 0) {
        frameCounter_ &= 0x7FFF;
        return;
    }
    if (!Analyser)
        return;
    if (Analyser->Freeze)
        Analyser->DisplayFrozen();
    else
        Analyser->Display();
}
