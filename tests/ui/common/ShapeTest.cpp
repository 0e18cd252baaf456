#include "ui/common/Shape.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

QRgb Rgb(uint32_t colour)
{
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}   // namespace

// Border and fill take their own colours; a transparent fill and back leave the container's
// background; a circle leaves the corners alone.
TEST(ShapeTest, PaintsBorderAndFillInTheirColoursAndStyles)
{
    constexpr uint32_t Border = 0x00FFFF, Fill = 0x008000, Container = 0x402010;
    const struct { int shape, fillStyle; QRgb centre, corner; } cases[] = {
        {Shape::Rectangle, 0, Rgb(Fill), Rgb(Border)},
        {Shape::Rectangle, 1, Rgb(Container), Rgb(Border)},
        {Shape::Circle, 0, Rgb(Fill), Rgb(Container)},
    };
    for (const auto& c : cases) {
        Shape shape;
        shape.resize(40, 20);
        shape.SetShape(c.shape);
        shape.SetBorderColor(Border);
        shape.SetFillColor(Fill);
        shape.SetFillStyle(c.fillStyle);
        QImage image(shape.size(), QImage::Format_RGB32);
        image.fill(Rgb(Container));
        shape.render(&image, {}, {}, QWidget::RenderFlags());
        EXPECT_EQ(image.pixel(20, 10), c.centre) << c.shape << "/" << c.fillStyle;
        EXPECT_EQ(image.pixel(0, 0), c.corner) << c.shape << "/" << c.fillStyle;
    }
    EXPECT_TRUE(Shape().testAttribute(Qt::WA_TransparentForMouseEvents));
}
