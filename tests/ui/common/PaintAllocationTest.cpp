#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

namespace {

template <typename Frame>
long AllocationsOf(Frame frame)
{
    frame();   // the first frame may build pens and caches
    return AllocationCounter::Count([&] {
        for (int repeat = 0; repeat < 3; ++repeat)
            frame();
    });
}

}   // namespace

// One analyser frame: graticule with labels, a 2,000-point trace, a not-xor passband box and a
// wide notch marker, then the box is brought to the screen.
TEST(PaintAllocationTest, APictureBoxFrameAllocatesNothingOnceShown)
{
    QWidget container;
    PictureBox box(&container);
    box.resize(400, 200);
    container.show();
    box.SetScaleLeft(0);
    box.SetScaleWidth(2000);
    box.SetScaleTop(0);
    box.SetScaleHeight(-100);
    const QString labels[] = {"-15", "-30", "24.0", "12.5"};
    auto drawOnly = [&] {
        box.SetAutoRedraw(true);
        box.SetBackColor(0);
        box.Cls();
        box.SetForeColor(0x7F00);
        for (int y = 0; y <= 100; y += 10)
            box.Line(0, -y, 2000, -y);
        for (const QString& label : labels) {
            box.SetCurrentX(1000);
            box.SetCurrentY(-50);
            box.Print(label, false);
        }
        box.SetForeColor(0xFF00);
        box.SetCurrentX(0);
        box.SetCurrentY(-50);
        for (int k = 0; k < 2000; ++k)
            box.LineTo(k, -50 + (k % 17));
        box.SetDrawMode(PictureBox::NotXorPen);
        box.Box(300, 0, 500, -100);
        box.SetDrawWidth(4);
        box.Line(700, 0, 700, -100);
        box.SetDrawWidth(1);
        box.SetDrawMode(PictureBox::CopyPen);
        box.SetAutoRedraw(false);
        box.ZOrder(0);
    };
    EXPECT_EQ(AllocationsOf(drawOnly), 0);
    EXPECT_EQ(AllocationsOf([&] { drawOnly(); box.repaint(); }), 0);
}

TEST(PaintAllocationTest, ASevenSegmentRepaintAllocatesNothing)
{
    SevenSegmentLabel label;
    label.resize(30, 50);
    label.SetCaption("8");
    label.show();
    const QString digits[] = {"1", "7"};
    EXPECT_EQ(AllocationsOf([&] {
                  for (const QString& digit : digits) {
                      label.SetCaption(digit);
                      label.repaint();
                  }
              }),
              0);
}
