#include "ui/common/SevenSegmentLabel.h"

#include "ui/common/FormUnits.h"

#include <QPainter>

#include <algorithm>

namespace {

// Segment pictures of the digits 0 to 9.
constexpr uint8_t DigitSegments[10] = {
    0x3F,   // 0: a b c d e f
    0x06,   // 1: b c
    0x5B,   // 2: a b d e g
    0x4F,   // 3: a b c d g
    0x66,   // 4: b c f g
    0x6D,   // 5: a c d f g
    0x7D,   // 6: a c d e f g
    0x07,   // 7: a b c
    0x7F,   // 8: all
    0x6F,   // 9: a b c d f g
};

// A segment as a long hexagon between two tips, thickness t across.
QPolygonF Bar(QPointF from, QPointF to, double t)
{
    const double half = t / 2;
    if (from.y() == to.y())
        return QPolygonF({from, {from.x() + half, from.y() - half}, {to.x() - half, to.y() - half}, to,
                          {to.x() - half, to.y() + half}, {from.x() + half, from.y() + half}});
    return QPolygonF({from, {from.x() + half, from.y() + half}, {to.x() + half, to.y() - half}, to,
                      {to.x() - half, to.y() - half}, {from.x() - half, from.y() + half}});
}

}   // namespace

SevenSegmentLabel::SevenSegmentLabel(QWidget* parent)
    : MouseReportingWidget(parent), foreColour_(FormUnits::SystemColourFlag | 18),
      backColour_(FormUnits::SystemColourFlag | 15)
{
    segmentBrush_ = QBrush(FormUnits::OleColour(foreColour_));
    back_ = FormUnits::OleColour(backColour_);
}

uint8_t SevenSegmentLabel::SegmentsOf(QChar character)
{
    if (character >= QLatin1Char('0') && character <= QLatin1Char('9'))
        return DigitSegments[character.unicode() - '0'];
    return character == QLatin1Char('-') ? SegG : 0;
}

QPolygonF SevenSegmentLabel::SegmentOutline(int segment, const QRectF& cell)
{
    // The digit keeps a margin inside its cell; the segment thickness follows its width.
    const double left = cell.left() + cell.width() * 0.12;
    const double right = cell.right() - cell.width() * 0.12;
    const double top = cell.top() + cell.height() * 0.08;
    const double bottom = cell.bottom() - cell.height() * 0.08;
    const double t = std::max(1.0, (right - left) * 0.2);
    const double gap = t * 0.15;   // keeps neighbouring segments apart
    const double xL = left + t / 2, xR = right - t / 2;
    const double yA = top + t / 2, yG = (top + bottom) / 2, yD = bottom - t / 2;
    switch (segment) {
    case 0: return Bar({xL + gap, yA}, {xR - gap, yA}, t);
    case 1: return Bar({xR, yA + gap}, {xR, yG - gap}, t);
    case 2: return Bar({xR, yG + gap}, {xR, yD - gap}, t);
    case 3: return Bar({xL + gap, yD}, {xR - gap, yD}, t);
    case 4: return Bar({xL, yG + gap}, {xL, yD - gap}, t);
    case 5: return Bar({xL, yA + gap}, {xL, yG - gap}, t);
    case 6: return Bar({xL + gap, yG}, {xR - gap, yG}, t);
    default: return {};
    }
}

void SevenSegmentLabel::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    const bool lengthChanged = caption.size() != caption_.size();
    caption_ = caption;
    setAccessibleName(caption_);
    if (lengthChanged)
        Relayout();
    update();
}

void SevenSegmentLabel::SetForeColor(uint32_t colour)
{
    if (colour == foreColour_)   // the window sets it on every hover
        return;
    foreColour_ = colour;
    segmentBrush_ = QBrush(FormUnits::OleColour(colour));
    update();
}

void SevenSegmentLabel::SetBackColor(uint32_t colour)
{
    if (colour == backColour_)
        return;
    backColour_ = colour;
    back_ = FormUnits::OleColour(colour);
    update();
}

void SevenSegmentLabel::SetBackStyle(int style)
{
    backStyle_ = style;
    update();
}

void SevenSegmentLabel::Relayout()
{
    cells_.resize(static_cast<std::size_t>(caption_.size()));
    if (cells_.empty())
        return;
    const double cellWidth = double(width()) / static_cast<double>(cells_.size());
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const QRectF cell(static_cast<double>(i) * cellWidth, 0, cellWidth, height());
        for (int segment = 0; segment < SegmentCount; ++segment)
            cells_[i][static_cast<std::size_t>(segment)] = SegmentOutline(segment, cell);
    }
}

void SevenSegmentLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (backStyle_ != 0)
        painter.fillRect(rect(), back_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(segmentBrush_);
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const uint8_t segments = SegmentsOf(caption_[static_cast<qsizetype>(i)]);
        for (int segment = 0; segment < SegmentCount; ++segment)
            if (segments & (1u << segment))
                painter.drawPolygon(cells_[i][static_cast<std::size_t>(segment)]);
    }
}

void SevenSegmentLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

QPointF SevenSegmentLabel::MousePosition(QPointF pixel) const
{
    return pixel * FormUnits::TwipsPerPixel;
}
