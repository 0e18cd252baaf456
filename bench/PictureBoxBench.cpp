#include "ui/common/PictureBox.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int Points = 2000;

// One analyser frame in a display-sized picture box: the graticule (11 + 13 lines and a centre
// line, 13 labels), a trace of 2,000 segments, a not-xor passband box and a wide notch marker.
void BM_PictureBoxFrame(benchmark::State& state)
{
    QWidget container;
    PictureBox box(&container);
    box.resize(600, 260);
    container.show();
    QCoreApplication::processEvents();   // exposed, so that each repaint really paints
    box.SetScaleLeft(0);
    box.SetScaleWidth(Points);
    box.SetScaleTop(0);
    box.SetScaleHeight(-100);
    std::vector<double> trace(Points);
    for (int k = 0; k < Points; ++k)
        trace[k] = -60 + 30 * std::exp(-std::pow((k - 700) / 20.0, 2)) + 5 * std::sin(k * 0.9);
    const QString label = QStringLiteral("7 050");
    for (auto _ : state) {
        box.SetAutoRedraw(true);
        box.SetBackColor(0);
        box.Cls();
        box.SetForeColor(0x7F00);
        for (int y = 0; y <= 100; y += 10)
            box.Line(0, -y, Points, -y);
        for (double x = 0; x <= Points; x += Points / 12.01)
            box.Line(x, 0, x, -100);
        box.SetForeColor(0xC0C0);
        box.Line(Points / 2, 0, Points / 2, -100);
        box.SetForeColor(0xFFFF00);
        for (int i = 0; i <= 12; ++i) {
            box.SetCurrentX(i * Points / 12.0);
            box.SetCurrentY(-48);
            box.Print(label, false);
        }
        box.SetForeColor(0xFF00);
        box.SetCurrentX(0);
        box.SetCurrentY(trace[0]);
        for (int k = 0; k < Points; ++k)
            box.LineTo(k, trace[k]);
        box.SetForeColor(0xC0);
        box.SetDrawMode(PictureBox::NotXorPen);
        box.Box(600, 0, 800, -100);
        box.SetForeColor(0xC0FF60);
        box.SetDrawWidth(4);
        box.Line(900, 0, 900, -100);
        box.SetDrawWidth(1);
        box.SetDrawMode(PictureBox::CopyPen);
        box.SetAutoRedraw(false);
        box.repaint();
    }
    state.SetItemsProcessed(state.iterations() * Points);
}
BENCHMARK(BM_PictureBoxFrame)->Unit(benchmark::kMillisecond);

}   // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
