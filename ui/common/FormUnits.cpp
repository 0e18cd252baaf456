#include "ui/common/FormUnits.h"

#include <QApplication>
#include <QPalette>

namespace FormUnits {
namespace {

QColor SystemColour(uint32_t index, const QPalette& palette)
{
    switch (index) {
    case 1: return palette.color(QPalette::Window);            // desktop
    case 2: case 13: return palette.color(QPalette::Highlight);   // active caption, highlight
    case 5: return palette.color(QPalette::Base);              // window background
    case 6: return palette.color(QPalette::Dark);              // window frame
    case 7: case 8: case 9: return palette.color(QPalette::Text);   // menu text, window text, caption text
    case 14: return palette.color(QPalette::HighlightedText);
    case 16: return palette.color(QPalette::Mid);              // button shadow
    case 17: return palette.color(QPalette::PlaceholderText);  // grey text
    case 18: return palette.color(QPalette::ButtonText);
    case 20: return palette.color(QPalette::Light);            // button highlight
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::Button);           // 15 button face and the rest
    }
}

}   // namespace

QColor OleColour(uint32_t colour)
{
    return OleColour(colour, QApplication::palette());
}

QColor OleColour(uint32_t colour, const QPalette& palette)
{
    if (colour & SystemColourFlag)
        return SystemColour(colour & 0xFFu, palette);
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

uint32_t ToOleColour(const QColor& colour)
{
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8)
           | (static_cast<uint32_t>(colour.blue()) << 16);
}

}   // namespace FormUnits
