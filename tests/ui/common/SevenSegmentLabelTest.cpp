#include "ui/common/SevenSegmentLabel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

namespace {

constexpr uint32_t Red = 0x0000FF, Black = 0x000000;

QImage Rendered(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    widget.render(&image);
    return image;
}

}   // namespace

// Every character gets an equal cell; a segment is lit exactly when the character's picture
// has it (segments a..g: top, upper right, lower right, bottom, lower left, upper left, middle).
TEST(SevenSegmentLabelTest, PaintsTheSegmentsOfEachCharacter)
{
    SevenSegmentLabel label;
    label.SetCaption("0123456789-x");
    label.resize(12 * 24, 44);
    label.SetForeColor(Red);
    label.SetBackColor(Black);
    const char* expected[] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc",
                              "abcdefg", "abcdfg", "g", ""};
    const QImage image = Rendered(label);
    for (int cell = 0; cell < 12; ++cell) {
        const QRectF cellArea(cell * 24, 0, 24, 44);
        std::string lit;
        for (int segment = 0; segment < SevenSegmentLabel::SegmentCount; ++segment) {
            const QRectF bounds = SevenSegmentLabel::SegmentOutline(segment, cellArea).boundingRect();
            if (image.pixel(bounds.center().toPoint()) == qRgb(255, 0, 0))
                lit += static_cast<char>('a' + segment);
        }
        EXPECT_EQ(lit, expected[cell]) << "cell " << cell;
    }
}

TEST(SevenSegmentLabelTest, KeepsItsCaptionAsTextAndReportsMouseInTwips)
{
    SevenSegmentLabel label;
    label.resize(20, 30);
    label.SetCaption("8");
    label.SetCaption("5");
    EXPECT_EQ(label.Caption(), "5");
    EXPECT_EQ(label.accessibleName(), "5");

    std::vector<double> downAt;
    int clicks = 0;
    QObject::connect(&label, &SevenSegmentLabel::MouseDown, [&](int button, int, double x, double y) {
        downAt = {double(button), x, y};
    });
    QObject::connect(&label, &SevenSegmentLabel::Click, [&] { ++clicks; });
    const QPointF at(4, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &press);
    QApplication::sendEvent(&label, &release);
    EXPECT_EQ(downAt, (std::vector<double>{1, 60, 150}));
    EXPECT_EQ(clicks, 1);
}
