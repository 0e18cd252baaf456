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
    Change(shape_, shape);
}

void Shape::SetBackColor(uint32_t colour)
{
    Change(backColour_, colour);
}

void Shape::SetBackStyle(int style)
{
    Change(backStyle_, style);
}

void Shape::SetBorderColor(uint32_t colour)
{
    Change(borderColour_, colour);
}

void Shape::SetBorderStyle(int style)
{
    Change(borderStyle_, style);
}

void Shape::SetBorderWidth(int pixels)
{
    Change(borderWidth_, std::max(pixels, 1));
}

void Shape::SetFillColor(uint32_t colour)
{
    Change(fillColour_, colour);
}

void Shape::SetFillStyle(int style)
{
    Change(fillStyle_, style);
}

// Repaints only when a property really changes: the window sets colours on every hover.
template <typename Value>
void Shape::Change(Value& property, Value value)
{
    if (property == value)
        return;
    property = value;
    styled_ = false;
    update();
}

// Pens and brushes are built when a property has changed, not at every paint: the meter's
// segments are shown and hidden for every sound block.
void Shape::Restyle()
{
    backBrush_ = QBrush(FormUnits::OleColour(backColour_));
    fillBrush_ = fillStyle_ == 0 ? QBrush(FormUnits::OleColour(fillColour_)) : QBrush(Qt::NoBrush);
    borderPen_ = QPen(FormUnits::OleColour(borderColour_), borderWidth_, BorderPenStyle(borderStyle_));
    borderPen_.setJoinStyle(Qt::MiterJoin);
    styled_ = true;
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
    if (!styled_)
        Restyle();
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
    if (backStyle_ != 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(backBrush_);
        draw();
    }
    painter.setBrush(fillBrush_);
    painter.setPen(borderPen_);
    draw();
}
