#pragma once

#include "ui/common/FormUnits.h"
#include "ui/common/MouseCodes.h"

#include <QMouseEvent>

// Raises one of a control's mouse events (button, shift, x, y) from a Qt mouse event:
// the button pressed or released, or for a move the buttons held; x and y in twips from
// the control's top-left corner.
template <typename Control>
void EmitMouse(Control* control, void (Control::*event)(int, int, double, double), const QMouseEvent* mouse)
{
    const bool move = mouse->type() == QEvent::MouseMove;
    const QPointF at = mouse->position() * FormUnits::TwipsPerPixel;
    emit(control->*event)(MouseCodes::ButtonCode(move ? mouse->buttons() : Qt::MouseButtons(mouse->button())),
                          MouseCodes::ShiftCode(mouse->modifiers()), at.x(), at.y());
}
