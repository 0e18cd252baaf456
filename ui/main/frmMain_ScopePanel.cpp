#include "ui/main/frmMain.h"

#include "ui/main/PanelBuilder.h"

using namespace PanelBuilder;

namespace {

constexpr int ScopeTop = 3690;
constexpr int ScopeHeight = 2910;

}   // namespace

// The spectrum display and the panel of its controls and, beside them, the statistics.
void frmMain::CreateScopeControls(QWidget* form)
{
    Analyser = std::make_unique<AnalyserPanel>(form, Place{60, ScopeTop, 6900, ScopeHeight},
                                               Place{7020, ScopeTop, 3180, ScopeHeight}, Hub, SpectrumAnalyser);
    Statistics = std::make_unique<StatisticsPanel>(form, Place{10260, ScopeTop, 2280, ScopeHeight});
}
