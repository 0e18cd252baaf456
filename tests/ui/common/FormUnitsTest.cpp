#include "ui/common/FormUnits.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

TEST(FormUnitsTest, TwipsRoundToTheNearestPixelBothWays)
{
    EXPECT_EQ(FormUnits::TwipsToPixels(0), 0);
    EXPECT_EQ(FormUnits::TwipsToPixels(7), 0);
    EXPECT_EQ(FormUnits::TwipsToPixels(8), 1);
    EXPECT_EQ(FormUnits::TwipsToPixels(1455), 97);
    EXPECT_EQ(FormUnits::TwipsToPixels(-8), -1);
    EXPECT_EQ(FormUnits::PixelsToTwips(97), 1455);
}

TEST(FormUnitsTest, ColoursAreBlueGreenRedAndSystemColoursComeFromThePalette)
{
    EXPECT_EQ(FormUnits::OleColour(0x00C0C000u), QColor(0x00, 0xC0, 0xC0));
    EXPECT_EQ(FormUnits::ToOleColour(QColor(0x11, 0x22, 0x33)), 0x00332211u);
    EXPECT_EQ(FormUnits::OleColour(0x8000000Fu), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(FormUnits::OleColour(0x80000012u), QApplication::palette().color(QPalette::ButtonText));
}
