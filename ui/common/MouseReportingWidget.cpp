#include "ui/common/MouseReportingWidget.h"

#include "ui/common/MouseCodes.h"

#include <QMouseEvent>

MouseReportingWidget::MouseReportingWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void MouseReportingWidget::Report(void (MouseReportingWidget::*signal)(int, int, double, double), int button,
                                  const QMouseEvent* event)
{
    const QPointF at = MousePosition(event->position());
    emit(this->*signal)(button, MouseCodes::ShiftCode(event->modifiers()), at.x(), at.y());
}

void MouseReportingWidget::mousePressEvent(QMouseEvent* event)
{
    Report(&MouseReportingWidget::MouseDown, MouseCodes::ButtonCode(event->button()), event);
}

void MouseReportingWidget::mouseMoveEvent(QMouseEvent* event)
{
    Report(&MouseReportingWidget::MouseMove, MouseCodes::ButtonCode(event->buttons()), event);
}

void MouseReportingWidget::mouseReleaseEvent(QMouseEvent* event)
{
    Report(&MouseReportingWidget::MouseUp, MouseCodes::ButtonCode(event->button()), event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void MouseReportingWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);   // reports the press
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}
