#include "ui/common/WheelNotches.h"

#include <QWheelEvent>

int WheelNotches::Add(const QWheelEvent& event)
{
    const QPoint angle = event.angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (delta == 0)
        return 0;
    if ((delta > 0) != (remainder_ > 0))
        remainder_ = 0;
    remainder_ += delta;
    const int notches = remainder_ / Notch;
    remainder_ -= notches * Notch;
    return notches;
}
