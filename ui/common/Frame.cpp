#include "ui/common/Frame.h"

#include "ui/common/FormUnits.h"

#include <QPainter>

Frame::Frame(QWidget* parent)
    : MouseReportingWidget(parent)
{
}

void Frame::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void Frame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int lineY = metrics.height() / 2;
    const QRect border = rect().adjusted(0, lineY, -1, -1);
    // An etched line: a dark line with a light one beside it.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRoundedRect(border, 3, 3);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRoundedRect(border.adjusted(1, 1, 1, 1), 3, 3);
    if (caption_.isEmpty())
        return;
    const QRect text(8, 0, metrics.horizontalAdvance(caption_) + 6, metrics.height());
    painter.fillRect(text, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::AlignCenter, caption_);
}

QPointF Frame::MousePosition(QPointF pixel) const { return pixel * FormUnits::TwipsPerPixel; }
