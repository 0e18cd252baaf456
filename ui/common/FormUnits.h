#pragma once

#include <QColor>

#include <cstdint>

class QPalette;

// The units the windows are laid out in: positions and sizes in twips, colours as
// 0x00BBGGRR values, where a value with the top bit set names a system colour by index.
namespace FormUnits {

inline constexpr int TwipsPerPixel = 15;

// Twips to pixels, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips)
{
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel
                      : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

constexpr int PixelsToTwips(int pixels) { return pixels * TwipsPerPixel; }

inline constexpr uint32_t SystemColourFlag = 0x80000000u;

// 0x00BBGGRR, or SystemColourFlag | index for a colour of the desktop's palette
// (5 window background, 8 window text, 15 button face, 18 button text, ...).
QColor OleColour(uint32_t colour);
// The same, with the system colours taken from the palette: a window's own, where it has
// colours of its own.
QColor OleColour(uint32_t colour, const QPalette& palette);

// The 0x00BBGGRR value of a colour.
uint32_t ToOleColour(const QColor& colour);

}   // namespace FormUnits
