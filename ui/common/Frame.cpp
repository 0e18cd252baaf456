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

namespace {

constexpr int CaptionIndent = 8;    // pixels from the frame's left edge to the caption's box
constexpr int CaptionPadding = 3;   // pixels of background either side of the caption's text
constexpr int BorderWidth = 2;      // the etched line: a dark line and a light one

}   // namespace

QRect Frame::CaptionBox() const
{
    if (caption_.isEmpty())
        return {};
    const QFontMetrics metrics = fontMetrics();
    return {CaptionIndent, 0, metrics.horizontalAdvance(caption_) + 2 * CaptionPadding, metrics.height()};
}

QRect Frame::InnerRoom() const
{
    const int lineY = fontMetrics().height() / 2;
    return rect().adjusted(BorderWidth, lineY + BorderWidth, -BorderWidth, -BorderWidth);
}

void Frame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int lineY = fontMetrics().height() / 2;
    const QRect border = rect().adjusted(0, lineY, -1, -1);
    // An etched line: a dark line with a light one beside it.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRoundedRect(border, 3, 3);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRoundedRect(border.adjusted(1, 1, 1, 1), 3, 3);
    if (caption_.isEmpty())
        return;
    const QRect text = CaptionBox();
    painter.fillRect(text, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::AlignCenter, caption_);
}

QPointF Frame::MousePosition(QPointF pixel) const { return pixel * FormUnits::TwipsPerPixel; }
