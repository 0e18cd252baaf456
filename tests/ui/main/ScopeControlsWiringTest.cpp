#include "MainWindowRig.h"
#include "ui/common/PictureBox.h"

namespace {

using ScopeControlsWiring = MainWindowRig;

// The mode boxes act as options, and a left press on the display tunes to the kilohertz
// under the cursor where the last move left it.
TEST_F(ScopeControlsWiring, TheTimeBoxSwitchesModeAndALeftPressOnTheDisplayTunes)
{
    clsSpectrumAnalyser& analyser = *window->SpectrumAnalyser;
    window->chkScopeMode[1]->click();
    EXPECT_EQ(analyser.Mode(), ScopeModeEnum::Scope);
    EXPECT_EQ(window->chkScopeMode.Value(0), 0);
    EXPECT_EQ(window->chkScopeMode.Value(1), 1);

    VFO->TunedFrequency(71000000);
    window->optSpectrumSource.Select(1);
    window->optSpectrumSource.Select(0);   // the axis centres on 7100 kHz
    ASSERT_GT(analyser.FOffset(), analyser.FSampling);
    analyser.HzPerBin(5.859375f);
    const int32_t offset = analyser.FOffset();
    PictureBox* display = window->picScope[0];
    emit display->MouseMove(0, 0, 100, 10);
    EXPECT_DOUBLE_EQ(display->Tag().toDouble(), 100 * 5.859375 + 0.5 + offset);
    emit display->MouseDown(2, 0, 100, 10);   // the right button does not tune
    EXPECT_EQ(VFO->TunedFrequency(), 71000000);
    emit display->MouseDown(1, 0, 100, 10);
    EXPECT_EQ(VFO->TunedFrequency(), (offset + 586 + 500) / 1000 * 10000);
}

}   // namespace
