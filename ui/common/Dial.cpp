#include "ui/common/Dial.h"

#include "core/NumberFormat.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double ScaleDegrees = 300.0;   // the sweep of a knob that stops at its limits

double Normalised(double degrees)
{
    while (degrees > 180.0)
        degrees -= 360.0;
    while (degrees <= -180.0)
        degrees += 360.0;
    return degrees;
}

}   // namespace

Dial::Dial(QWidget* parent)
    : QWidget(parent)
    , rimPen_(QColor(30, 30, 30), 1.5)
    , markerPen_(QColor(255, 200, 40), 3.0, Qt::SolidLine, Qt::RoundCap)
{
    setFocusPolicy(Qt::WheelFocus);
    setAttribute(Qt::WA_Hover);
}

void Dial::SetValue(int value)
{
    const int64_t positions = static_cast<int64_t>(max_) - min_ + 1;
    int64_t wanted = value;
    if (wrap_ && positions > 0) {
        const int64_t offset = ((wanted - min_) % positions + positions) % positions;
        wanted = min_ + offset;
    } else {
        wanted = std::clamp<int64_t>(wanted, min_, max_);
    }
    if (wanted == value_)
        return;
    value_ = static_cast<int>(wanted);
    UpdateCaption();
    update();
    emit Changing();
}

void Dial::SetMax(int max)
{
    max_ = max;
    min_ = std::min(min_, max_);
    SetValue(value_);
    update();
}

void Dial::SetMin(int min)
{
    min_ = min;
    max_ = std::max(max_, min_);
    SetValue(value_);
    update();
}

void Dial::SetWrap(bool wrap)
{
    wrap_ = wrap;
    update();
}

void Dial::SetShowValue(bool show)
{
    showValue_ = show;
    UpdateCaption();
    update();
}

void Dial::SetTag(const QString& tag)
{
    tag_ = tag;
    UpdateCaption();
    update();
}

void Dial::SetSingleStep(int step) { singleStep_ = std::max(1, step); }

void Dial::SetReading(const QString& reading)
{
    if (reading == reading_)
        return;
    reading_ = reading;
    UpdateCaption();
    update();
}

void Dial::UpdateCaption()
{
    if (!showValue_)
        caption_ = reading_;
    else
        caption_ = tag_.isEmpty() ? QString() : QString::fromStdString(Format(value_, tag_.toStdString()));
}

double Dial::DegreesPerStep() const
{
    const double steps = static_cast<double>(max_) - min_;
    if (steps <= 0.0)
        return 360.0;
    return wrap_ ? 360.0 / (steps + 1.0) : ScaleDegrees / steps;
}

double Dial::AngleOf(int value) const
{
    const double start = wrap_ ? 0.0 : -ScaleDegrees / 2.0;
    return start + (static_cast<double>(value) - min_) * DegreesPerStep();
}

void Dial::Step(int steps)
{
    if (steps != 0)
        SetValue(static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(value_) + steps, INT32_MIN, INT32_MAX)));
}

double Dial::PointerAngle(QPointF at) const
{
    const QPointF fromCentre = at - QRectF(rect()).center();
    return std::atan2(fromCentre.x(), -fromCentre.y()) * 180.0 / std::numbers::pi;
}

void Dial::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    dragAngle_ = PointerAngle(event->position());
    event->accept();
}

// Turning: every DegreesPerStep of pointer travel around the centre is one step.
void Dial::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const double angle = PointerAngle(event->position());
    const double turned = Normalised(angle - dragAngle_);
    const int steps = static_cast<int>(turned / DegreesPerStep());
    if (steps == 0)
        return;
    dragAngle_ = Normalised(dragAngle_ + steps * DegreesPerStep());
    Step(steps);
}

void Dial::wheelEvent(QWheelEvent* event)
{
    Step(wheelNotches_.Add(*event) * singleStep_);
    event->accept();
}

void Dial::keyPressEvent(QKeyEvent* event)
{
    const int page = std::max(1, (max_ - min_) / 10);
    switch (event->key()) {
    case Qt::Key_Up: case Qt::Key_Right: Step(singleStep_); break;
    case Qt::Key_Down: case Qt::Key_Left: Step(-singleStep_); break;
    case Qt::Key_PageUp: Step(page); break;
    case Qt::Key_PageDown: Step(-page); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

// The knob and its shading follow the size; painting only places the marker.
void Dial::resizeEvent(QResizeEvent*)
{
    const double side = std::max(0, std::min(width(), height()) - 4);
    knob_ = QRectF(QRectF(rect()).center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    QRadialGradient shine(knob_.center() - QPointF(side / 5, side / 5), std::max(1.0, side * 0.8));
    shine.setColorAt(0.0, QColor(150, 150, 150));
    shine.setColorAt(1.0, QColor(45, 45, 45));
    knobBrush_ = QBrush(shine);
}

void Dial::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(rimPen_);
    painter.setBrush(knobBrush_);
    painter.drawEllipse(knob_);

    // The marker: a short bar from the rim towards the centre at the position's angle.
    const double radians = AngleOf(value_) * std::numbers::pi / 180.0;
    const QPointF direction(std::sin(radians), -std::cos(radians));
    const double side = knob_.width();
    painter.setPen(markerPen_);
    painter.drawLine(knob_.center() + direction * side * 0.22, knob_.center() + direction * side * 0.42);

    if (!caption_.isEmpty()) {
        painter.setPen(Qt::white);
        painter.drawText(knob_, Qt::AlignCenter, caption_);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(knob_.adjusted(-1.5, -1.5, 1.5, 1.5));
    }
}
