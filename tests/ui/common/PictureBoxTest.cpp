#include "ui/common/PictureBox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QMouseEvent>

namespace {

constexpr uint32_t Black = 0x000000, White = 0xFFFFFF;

// The 0x00BBGGRR value of a pixel of the back buffer.
uint32_t PixelAt(PictureBox& box, int x, int y)
{
    const QRgb rgb = box.Image().pixel(x, y);
    return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8)
           | (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

// A 101 x 51 pixel box with a user scale of 0..1000 across and +10 (top) to -10 (bottom).
struct ScaledBox {
    PictureBox box;
    ScaledBox()
    {
        box.resize(101, 51);
        box.SetScaleLeft(0);
        box.SetScaleWidth(1000);
        box.SetScaleTop(10);
        box.SetScaleHeight(-20);
        box.SetBackColor(Black);
        box.SetForeColor(White);
    }
};

}   // namespace

TEST(PictureBoxTest, TwipScaleFollowsTheSizeUntilAUserScaleIsSet)
{
    PictureBox box;
    box.resize(40, 20);
    EXPECT_EQ(box.ScaleMode(), PictureBox::TwipScale);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 600);
    EXPECT_DOUBLE_EQ(box.ScaleHeight(), 300);
    EXPECT_EQ(box.UserToPixel(150, 30), QPointF(10, 2));

    box.SetScaleHeight(-5);   // the other three keep the twip values they had
    EXPECT_EQ(box.ScaleMode(), PictureBox::UserScale);
    box.SetScaleWidth(0);     // refused
    box.resize(80, 40);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 600);
    EXPECT_DOUBLE_EQ(box.ScaleHeight(), -5);

    box.SetScaleMode(PictureBox::PixelScale);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 80);
    EXPECT_DOUBLE_EQ(box.ScaleTop(), 0);
}

// A user scale spans the box from its first to its last pixel; a negative height puts
// ScaleTop at the top edge and ScaleTop + ScaleHeight at the bottom.
TEST(PictureBoxTest, UserScaleMapsBothWaysAndFlipsWithANegativeHeight)
{
    ScaledBox scaled;
    const struct { double x, y; QPointF pixel; } cases[] = {
        {0, 10, {0, 0}}, {1000, -10, {100, 50}}, {500, 0, {50, 25}}, {100, 8, {10, 5}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scaled.box.UserToPixel(c.x, c.y), c.pixel) << c.x << "," << c.y;
        const QPointF back = scaled.box.PixelToUser(c.pixel);
        EXPECT_NEAR(back.x(), c.x, 1e-9);
        EXPECT_NEAR(back.y(), c.y, 1e-9);
    }
    EXPECT_DOUBLE_EQ(scaled.box.UserHeightToPixels(-4), 10);
}

TEST(PictureBoxTest, MouseEventsCarryButtonShiftAndUserPosition)
{
    ScaledBox scaled;
    std::vector<std::tuple<char, int, int, double, double>> events;
    auto keep = [&](char kind) {
        return [&events, kind](int button, int shift, double x, double y) {
            events.emplace_back(kind, button, shift, x, y);
        };
    };
    QObject::connect(&scaled.box, &PictureBox::MouseDown, keep('d'));
    QObject::connect(&scaled.box, &PictureBox::MouseMove, keep('m'));
    QObject::connect(&scaled.box, &PictureBox::MouseUp, keep('u'));
    int clicks = 0;
    QObject::connect(&scaled.box, &PictureBox::Click, [&] { ++clicks; });

    const Qt::KeyboardModifiers shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    const QPointF at(50, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::RightButton, Qt::RightButton, shiftCtrl);
    QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::RightButton, Qt::NoButton, Qt::AltModifier);
    for (QMouseEvent* event : {&press, &move, &release})
        QApplication::sendEvent(&scaled.box, event);

    const decltype(events) expected = {{'d', 2, 3, 500, 8}, {'m', 2, 0, 500, 8}, {'u', 2, 4, 500, 8}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(clicks, 0);   // only the left button clicks
}

// Lines and boxes take the raster mode; printed text is always drawn as it is.
TEST(PictureBoxTest, RasterModesCombinePenAndPictureBitwise)
{
    constexpr uint32_t Background = 0x3366CC, Pen = 0x0F0FF0;
    const struct { int mode; uint32_t expected; } cases[] = {
        {PictureBox::CopyPen, Pen},
        {PictureBox::MaskNotPen, Background & ~Pen},
        {PictureBox::NotXorPen, ~(Pen ^ Background) & 0xFFFFFF},
    };
    for (const auto& c : cases) {
        PictureBox box;
        box.resize(30, 30);
        box.SetScaleMode(PictureBox::PixelScale);
        box.SetBackColor(Background);
        box.SetForeColor(Pen);
        box.SetDrawMode(c.mode);
        box.Line(2, 5, 20, 5);
        box.Box(2, 10, 20, 20);
        box.FilledBox(25, 25, 28, 28);
        EXPECT_EQ(PixelAt(box, 10, 5), c.expected) << c.mode;
        EXPECT_EQ(PixelAt(box, 2, 15), c.expected) << c.mode;    // box outline
        EXPECT_EQ(PixelAt(box, 10, 15), Background) << c.mode;  // inside the outline
        EXPECT_EQ(PixelAt(box, 26, 26), c.expected) << c.mode;
        EXPECT_EQ(qAlpha(box.Image().pixel(10, 5)), 255) << c.mode;
    }
}

TEST(PictureBoxTest, NotXorTwiceRestoresThePictureAndJointsAreInvertedOnce)
{
    ScaledBox scaled;
    PictureBox& box = scaled.box;
    box.SetScaleMode(PictureBox::PixelScale);
    box.SetBackColor(0x204080);
    const QImage before = box.Image().copy();
    box.SetDrawMode(PictureBox::NotXorPen);
    box.SetForeColor(0x00FF00);
    for (int pass = 0; pass < 2; ++pass) {
        box.SetCurrentX(5);
        box.SetCurrentY(5);
        box.LineTo(40, 5);    // a joint at (40, 5)
        box.LineTo(40, 30);
        box.LineTo(80, 30);
        box.SetDrawWidth(5);
        box.Line(60, 0, 60, 50);
        box.SetDrawWidth(1);
        if (pass == 0) {
            EXPECT_EQ(PixelAt(box, 40, 5), ~(0x00FF00u ^ 0x204080u) & 0xFFFFFF);
        }
    }
    EXPECT_EQ(box.Image(), before);
}

TEST(PictureBoxTest, TextIsNeverDrawnInARasterMode)
{
    ScaledBox scaled;
    PictureBox& box = scaled.box;
    QFont font = box.font();
    font.setStyleStrategy(QFont::NoAntialias);
    box.setFont(font);
    box.SetForeColor(0x00FFFF);
    box.SetDrawMode(PictureBox::MaskNotPen);
    box.SetCurrentX(0);
    box.SetCurrentY(10);
    box.Print("8888");
    const QImage& image = box.Image();
    int textPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            textPixels += image.pixel(x, y) == qRgb(0xFF, 0xFF, 0x00);
    EXPECT_GT(textPixels, 0);
}

// Text sizes are in user units and carry the scale's sign; printing moves the current point
// to the next line or to the end of the text.
TEST(PictureBoxTest, PrintMovesTheCurrentPointByTheTextSize)
{
    ScaledBox scaled;
    PictureBox& box = scaled.box;
    const QFontMetricsF metrics(box.font());
    EXPECT_NEAR(box.TextWidth("00"), metrics.horizontalAdvance("00") * 10, 1e-9);
    EXPECT_NEAR(box.TextHeight("0"), -metrics.height() * 0.4, 1e-9);
    EXPECT_NEAR(box.TextHeight("0\n0"), 2 * box.TextHeight("0"), 1e-9);

    box.SetCurrentX(300);
    box.SetCurrentY(5);
    box.Print("12", false);
    EXPECT_NEAR(box.CurrentX(), 300 + box.TextWidth("12"), 1e-9);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 5);
    box.Print("3");
    EXPECT_DOUBLE_EQ(box.CurrentX(), 0);
    EXPECT_NEAR(box.CurrentY(), 5 + box.TextHeight("3"), 1e-9);
}

TEST(PictureBoxTest, RecorderKeepsEveryOperationWithItsPen)
{
    ScaledBox scaled;
    PictureBox& box = scaled.box;
    std::vector<DrawOperation> operations;
    box.SetRecorder(&operations);
    box.SetCurrentX(7);
    box.Cls();
    box.LineTo(100, 5);
    box.SetDrawWidth(3);
    box.SetDrawMode(PictureBox::NotXorPen);
    box.SetForeColor(0xC0C0);
    box.Box(10, 1, 20, -1);
    box.Print("kHz", false);
    box.SetRecorder(nullptr);
    box.Line(0, 0, 1, 1);

    using K = DrawOperation::Kind;
    const std::vector<DrawOperation> expected = {
        {K::Cls, 0, 0, 0, 0, Black, 1, 0, 13, {}},
        {K::Line, 0, 0, 100, 5, White, 1, 0, 13, {}},
        {K::Box, 10, 1, 20, -1, 0xC0C0, 3, 0, 10, {}},
        {K::Print, 20, -1, 20, -1, 0xC0C0, 3, 0, 13, "kHz"},
    };
    EXPECT_EQ(operations, expected);
}

TEST(PictureBoxTest, BackBufferPersistsAndClsClearsIt)
{
    ScaledBox scaled;
    PictureBox& box = scaled.box;
    box.show();
    box.SetAutoRedraw(true);
    box.Line(0, 0, 1000, 0);
    box.SetAutoRedraw(false);
    box.hide();
    box.show();
    EXPECT_EQ(PixelAt(box, 50, 25), White);
    box.resize(120, 60);   // a larger box keeps what was drawn
    EXPECT_EQ(PixelAt(box, 50, 25), White);
    box.Cls();
    EXPECT_EQ(PixelAt(box, 50, 25), Black);
    EXPECT_EQ(box.CurrentX(), 0);
}

// Values far outside the scale draw the visible part of their line; undefined ones draw
// nothing and leave the rest of the trace intact; an undefined scale is refused.
TEST(PictureBoxTest, HugeAndUndefinedPositionsAreDrawnSafely)
{
    ScaledBox scaled;
    PictureBox& box = scaled.box;
    const double nan = std::nan("");
    box.Line(100, 1e300, 100, -1e300);
    box.SetDrawWidth(3);
    box.Line(900, -1e300, 900, 1e300);
    box.SetDrawWidth(1);
    box.SetForeColor(0x00FF00);
    box.FilledBox(-1e300, 1e300, 1e300, 5);
    box.SetForeColor(White);
    box.SetCurrentX(300);
    box.SetCurrentY(0);
    box.LineTo(400, nan);
    box.LineTo(500, 0);
    box.LineTo(600, 0);
    box.SetCurrentX(1e300);
    box.Print("x");
    box.SetScaleWidth(nan);
    box.SetScaleTop(std::numeric_limits<double>::infinity());

    EXPECT_EQ(PixelAt(box, 10, 40), White);
    EXPECT_EQ(PixelAt(box, 91, 40), White);
    EXPECT_EQ(PixelAt(box, 10, 5), 0x00FF00u);
    EXPECT_EQ(PixelAt(box, 55, 25), White);
    EXPECT_EQ(PixelAt(box, 35, 25), Black);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 1000);
    EXPECT_DOUBLE_EQ(box.ScaleTop(), 10);
}
