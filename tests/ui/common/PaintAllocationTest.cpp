#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>

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

// A widget that paints nothing: its repaint costs what the toolkit itself allocates for any
// repaint (dirty regions, painter state), which a widget's own painting must not add to.
class Blank : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { QPainter painter(this); }
};

// Shows the widget's window, and returns the allocations of updating and repainting a blank
// widget of the same place, size and attributes in a window of its own (the toolkit's cost
// depends on them).
long ToolkitRepaintAllocations(QWidget& container, QWidget& widget)
{
    QWidget blankContainer;
    Blank blank(&blankContainer);
    blank.setGeometry(widget.geometry());
    blank.setAttribute(Qt::WA_OpaquePaintEvent, widget.testAttribute(Qt::WA_OpaquePaintEvent));
    for (QWidget* window : {&container, &blankContainer})
        window->show();
    QCoreApplication::processEvents();   // the windows are exposed: repaints now really paint
    return AllocationsOf([&] {
        blank.update();   // the change that asks for the repaint
        blank.repaint();
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
    const long toolkit = ToolkitRepaintAllocations(container, box);
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
    EXPECT_EQ(AllocationsOf([&] { drawOnly(); box.repaint(); }), toolkit);
}

// The frequency digits change their caption; a meter segment repaints.
TEST(PaintAllocationTest, DigitAndSegmentRepaintsAddNothingToTheToolkits)
{
    QWidget digitWindow, segmentWindow;
    SevenSegmentLabel label(&digitWindow);
    label.setGeometry(10, 10, 30, 50);
    Shape segment(&segmentWindow);
    segment.setGeometry(10, 10, 30, 50);
    segment.SetFillStyle(0);
    segment.SetFillColor(0xFF00);
    const long toolkit = ToolkitRepaintAllocations(digitWindow, label);
    ToolkitRepaintAllocations(segmentWindow, segment);
    const QString digits[] = {"1", "7"};
    EXPECT_EQ(AllocationsOf([&] {
                  label.SetCaption(digits[label.Caption() == digits[0]]);
                  label.repaint();
              }),
              toolkit);
    EXPECT_EQ(AllocationsOf([&] {
                  segment.update();
                  segment.repaint();
              }),
              toolkit);
}
