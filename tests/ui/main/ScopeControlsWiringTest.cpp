#include "MainWindowRig.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"

#include <QDir>
#include <QSet>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using ScopeControlsWiring = MainWindowRig;

// The mode boxes act as options, and a left press on the display tunes to the kilohertz
// under the cursor where the last move left it.
TEST_F(ScopeControlsWiring, TheTimeBoxSwitchesModeAndALeftPressOnTheDisplayTunes)
{
    clsSpectrumAnalyser& analyser = *window->SpectrumAnalyser;
    window->Analyser->chkScopeMode[1]->click();
    EXPECT_EQ(analyser.Mode(), ScopeModeEnum::Scope);
    EXPECT_EQ(window->Analyser->chkScopeMode.Value(0), 0);
    EXPECT_EQ(window->Analyser->chkScopeMode.Value(1), 1);

    VFO->TunedFrequency(71000000);
    window->Analyser->optSpectrumSource.Select(1);
    window->Analyser->optSpectrumSource.Select(0);   // the axis centres on 7100 kHz
    ASSERT_GT(analyser.FOffset(), analyser.FSampling);
    analyser.HzPerBin(5.859375f);
    const int32_t offset = analyser.FOffset();
    PictureBox* display = window->Analyser->picScope[0];
    emit display->MouseMove(0, 0, 100, 10);
    EXPECT_DOUBLE_EQ(display->Tag().toDouble(), 100 * 5.859375 + 0.5 + offset);
    emit display->MouseDown(2, 0, 100, 10);   // the right button does not tune
    EXPECT_EQ(VFO->TunedFrequency(), 71000000);
    emit display->MouseDown(1, 0, 100, 10);
    EXPECT_EQ(VFO->TunedFrequency(), (offset + 586) * 10);   // the frequency under the pointer
}

// On single-channel and I/Q receivers, and on both sources before and after demodulation,
// a click at five places across the spectrum tunes to the frequency the axis's scale gives
// there (within one bin), which the cursor readout shows; the axis holds the frequency tuned.
TEST_F(ScopeControlsWiring, AClickOnTheSpectrumTunesToTheFrequencyTheAxisShowsUnderThePointer)
{
    clsSpectrumAnalyser& analyser = *window->SpectrumAnalyser;
    window->Analyser->chkScopeMode[0]->click();
    PictureBox* display = window->Analyser->picScope[0];
    const double width = display->ScaleWidth();
    ASSERT_GT(width, 0);
    for (const bool iq : {false, true})
        for (const int source : {1, 2})
            for (const double fraction : {0.1, 0.3, 0.5, 0.7, 0.9}) {
                IQModeOn = iq;
                VFO->TunedFrequency(71000000);
                window->Analyser->optSpectrumSource.Select(source);
                ASSERT_GT(analyser.FOffset(), analyser.FSampling);
                const std::string where = std::string(iq ? "I/Q" : "single channel") + ", source " +
                                          std::to_string(source) + ", at " + std::to_string(fraction);
                const double left = analyser.FrequencyAt(0), right = analyser.FrequencyAt(width);
                EXPECT_LT(std::min(left, right), 7100000) << where;
                EXPECT_GT(std::max(left, right), 7100000) << where;
                const double underPointer = analyser.FrequencyAt(fraction * width);
                emit display->MouseMove(0, 0, fraction * width, 10);
                EXPECT_EQ(window->Analyser->lblSpectrumFreq[0]->text().remove(' ').toLongLong(), std::llround(underPointer))
                    << where;
                emit display->MouseDown(1, 0, fraction * width, 10);
                EXPECT_NEAR(VFO->TunedFrequency() / 10.0, underPointer, analyser.HzPerBin()) << where;
            }
}

// Saves a picture of the display in each of its modes, fed two channels (tones in band
// noise) as the receive chain feeds it, beside the test program for a look at the analyser; each picture shows
// a trace besides the grid and the background.
TEST_F(ScopeControlsWiring, EachDisplayModeIsPictured)
{
    clsSpectrumAnalyser& analyser = *window->SpectrumAnalyser;
    analyser.Active(true);
    analyser.Freeze = false;
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0, 40);
    std::vector<float> y1(2048), y2(2048);
    for (size_t n = 0; n < y1.size(); ++n) {
        const double phase = 2 * std::numbers::pi * n / 2048;
        y1[n] = noise(random) + static_cast<float>(9000 * std::sin(40 * phase) + 2000 * std::sin(301 * phase));
        y2[n] = static_cast<float>(6000 * std::sin(40 * phase + 1));
    }
    for (const auto& [mode, name] : {std::pair{0, "spectrum"}, {1, "scope"}, {2, "phase"}}) {
        window->Analyser->chkScopeMode[mode]->click();
        for (int frame = 0; frame < 4; ++frame) {
            analyser.LoadSamples_S(y1, y2);
            analyser.Display();
        }
        const QImage picture = window->Analyser->picScopeContainer->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                colours.insert(picture.pixel(x, y));
        EXPECT_GT(colours.size(), 3) << name;
        const QString file = QDir(QCoreApplication::applicationDirPath()).filePath(QString("analyser-%1.png").arg(name));
        EXPECT_TRUE(picture.save(file)) << file.toStdString();
    }
    analyser.Active(false);
}

}   // namespace
