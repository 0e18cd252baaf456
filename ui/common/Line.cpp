#include "ui/common/Line.h"

#include "ui/common/FormUnits.h"

#include <QPainter>

Line::Line(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Line::SetEnds(int x1, int y1, int x2, int y2)
{
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    using FormUnits::TwipsToPixels;
    const QPoint a(TwipsToPixels(x1), TwipsToPixels(y1));
    const QPoint b(TwipsToPixels(x2), TwipsToPixels(y2));
    setGeometry(QRect(a, b).normalized().adjusted(0, 0, 1, 1));
    update();
}

void Line::SetBorderColor(uint32_t colour)
{
    colour_ = colour;
    update();
}

void Line::paintEvent(QPaintEvent*)
{
    using FormUnits::TwipsToPixels;
    QPainter painter(this);
    painter.setPen(FormUnits::OleColour(colour_));
    const QPoint origin = pos();
    painter.drawLine(QPoint(TwipsToPixels(x1_), TwipsToPixels(y1_)) - origin,
                     QPoint(TwipsToPixels(x2_), TwipsToPixels(y2_)) - origin);
}
