#include "MainWindowRig.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"

#include <QFontMetricsF>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using ScopeLabels = MainWindowRig;

struct LabelBox
{
    QString text;
    QRectF pixels;
};

// The boxes, in the picture's pixels, of the texts the last graticule printed, each as its
// font measures it.
std::vector<LabelBox> PrintedBoxes(const PictureBox& pic, const std::vector<DrawOperation>& drawn)
{
    const auto cleared = std::find_if(drawn.rbegin(), drawn.rend(),
                                      [](const DrawOperation& op) { return op.kind == DrawOperation::Kind::Cls; });
    const QFontMetricsF metrics(pic.font());
    std::vector<LabelBox> boxes;
    for (auto op = cleared.base(); op != drawn.end(); ++op)
        if (op->kind == DrawOperation::Kind::Print && !op->text.trimmed().isEmpty())
            boxes.push_back({op->text, QRectF(pic.UserToPixel(op->x1, op->y1),
                                              QSizeF(metrics.horizontalAdvance(op->text), metrics.height()))});
    return boxes;
}

// At every display size, on the audio and the received-frequency axis, in the logarithmic
// and the linear display, either way round, for single-channel and I/Q receivers and over
// spans from the widest to the narrowest, no axis label overlaps another.
TEST_F(ScopeLabels, NoTwoAxisLabelsOverlap)
{
    clsSpectrumAnalyser& analyser = *window->SpectrumAnalyser;
    PictureBox& pic = *window->Analyser->picScope[0];
    std::vector<DrawOperation> drawn;
    pic.SetRecorder(&drawn);
    size_t drawings = 0;
    for (int size = 0; size < 4; ++size) {
        window->DisplaySize->optDisplaySize.Select(size);
        window->Loop->tmrSpectrumDisplay.stop();   // only the graticules drawn here reach the recorder
        for (const int32_t offset : {0, 7038000, 145500000}) {
            for (const bool log : {true, false}) {
                for (const bool reverse : {false, true}) {
                    for (const bool iq : {false, true}) {
                        for (const int32_t span : {1023, 511, 200, 60, 12, 6}) {
                            analyser.SetFOffset(offset);
                            analyser.LogMode(log);
                            analyser.SetReverseSpectrum(reverse);
                            analyser.SetIQMode(iq);
                            analyser.StartBin = 511 - span / 2;
                            analyser.StopBin = analyser.StartBin + span;
                            drawn.clear();
                            analyser.Mode(ScopeModeEnum::Spectrum);
                            const std::vector<LabelBox> boxes = PrintedBoxes(pic, drawn);
                            ASSERT_GE(boxes.size(), 2u);
                            ++drawings;
                            for (size_t a = 0; a < boxes.size(); ++a)
                                for (size_t b = a + 1; b < boxes.size(); ++b)
                                    ASSERT_FALSE(boxes[a].pixels.intersects(boxes[b].pixels))
                                        << '"' << boxes[a].text.toStdString() << "\" and \""
                                        << boxes[b].text.toStdString() << "\": size " << size << ", offset "
                                        << offset << ", log " << log << ", reverse " << reverse << ", iq " << iq
                                        << ", span " << span;
                        }
                    }
                }
            }
        }
    }
    pic.SetRecorder(nullptr);
    EXPECT_EQ(drawings, 4u * 3 * 2 * 2 * 2 * 6);
}

// The cursor readout lies over the margin above the plot, never over it; it stays while the
// pointer moves over the plot (whose two pictures take turns beneath it) and goes when the
// pointer leaves the plot or clicks in it.
TEST_F(ScopeLabels, TheCursorReadoutStaysOffThePlotAndGoesWithThePointer)
{
    window->DisplaySize->optDisplaySize.Select(3);
    window->show();
    QTest::qWait(50);
    const auto shown = [this]() -> Label* {
        for (Label* readout : window->Analyser->lblSpectrumFreq)
            if (readout->isVisible())
                return readout;
        return nullptr;
    };
    const auto plot = [this] { return window->Analyser->picScope[0]->isVisible() ? window->Analyser->picScope[0] : window->Analyser->picScope[1]; };
    for (const int x : {10, 200, 440}) {
        QTest::mouseMove(plot(), QPoint(x, 90));
        QTest::qWait(150);   // frames drawn meanwhile swap the pictures under the pointer
        const Label* readout = shown();
        ASSERT_NE(readout, nullptr) << x;
        EXPECT_EQ(readout->parentWidget(), plot()->parentWidget());
        EXPECT_FALSE(readout->geometry().intersects(window->Analyser->picScope[0]->geometry())) << x;
        EXPECT_GE(readout->y(), 0);
        EXPECT_FALSE(readout->text().isEmpty());
    }
    QTest::mouseMove(window->Analyser->picScopeCtls, QPoint(20, 20));
    QTest::qWait(20);
    EXPECT_EQ(shown(), nullptr) << "the pointer left the plot";

    QTest::mouseMove(plot(), QPoint(100, 90));
    ASSERT_NE(shown(), nullptr);
    QTest::mousePress(plot(), Qt::RightButton, {}, QPoint(100, 90));
    EXPECT_EQ(shown(), nullptr) << "a click leaves no stale frequency";
}

}   // namespace
