#include "ui/common/Shape.h"

#include "ui/common/FormUnits.h"

#include <QPainter>

#include <algorithm>

namespace {

Qt::PenStyle BorderPenStyle(int borderStyle)
{
    switch (borderStyle) {
    case 0: return Qt::NoPen;
    case 2: return Qt::DashLine;
    case 3: return Qt::DotLine;
    case 4: return Qt::DashDotLine;
    case 5: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

}   // namespace

Shape::Shape(QWidget* parent)
    : QWidget(parent), backColour_(FormUnits::SystemColourFlag | 5),
      borderColour_(FormUnits::SystemColourFlag | 8)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::SetShape(int shape)
{
    shape_ = shape;
    update();
}

void Shape::SetBackColor(uint32_t colour)
{
    backColour_ = colour;
    update();
}

void Shape::SetBackStyle(int style)
{
    backStyle_ = style;
    update();
}

void Shape::SetBorderColor(uint32_t colour)
{
    borderColour_ = colour;
    update();
}

void Shape::SetBorderStyle(int style)
{
    borderStyle_ = style;
    update();
}

void Shape::SetBorderWidth(int pixels)
{
    borderWidth_ = std::max(pixels, 1);
    update();
}

void Shape::SetFillColor(uint32_t colour)
{
    fillColour_ = colour;
    update();
}

void Shape::SetFillStyle(int style)
{
    fillStyle_ = style;
    update();
}

// The outline inside the control: squares and circles take the shorter side, centred; the
// border lies inside the control's rectangle.
QRectF Shape::Outline() const
{
    QRectF area(rect());
    if (shape_ == Square || shape_ == Circle || shape_ == RoundedSquare) {
        const double side = std::min(area.width(), area.height());
        area = QRectF(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    }
    const double inset = borderStyle_ == 0 ? 0.0 : borderWidth_ / 2.0;
    return area.adjusted(inset, inset, -inset, -inset);
}

void Shape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF outline = Outline();
    const bool round = shape_ == Oval || shape_ == Circle;
    const bool rounded = shape_ == RoundedRectangle || shape_ == RoundedSquare;
    const double radius = std::min(outline.width(), outline.height()) / 6;
    painter.setRenderHint(QPainter::Antialiasing, round || rounded);
    auto draw = [&] {
        if (round)
            painter.drawEllipse(outline);
        else if (rounded)
            painter.drawRoundedRect(outline, radius, radius);
        else
            painter.drawRect(outline);
    };
    painter.setPen(Qt::NoPen);
    if (backStyle_ != 0) {
        painter.setBrush(FormUnits::OleColour(backColour_));
        draw();
    }
    painter.setBrush(fillStyle_ == 0 ? QBrush(FormUnits::OleColour(fillColour_)) : QBrush(Qt::NoBrush));
    QPen border(FormUnits::OleColour(borderColour_), borderWidth_, BorderPenStyle(borderStyle_));
    border.setJoinStyle(Qt::MiterJoin);
    painter.setPen(border);
    draw();
}
