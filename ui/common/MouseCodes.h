#pragma once

#include <Qt>

// The button and shift codes that the windows' mouse handlers take: button 1 left, 2 right,
// 4 middle (or-ed for the buttons held during a move); shift 1 Shift, 2 Ctrl, 4 Alt.
namespace MouseCodes {

constexpr int ButtonCode(Qt::MouseButtons buttons)
{
    return (buttons.testFlag(Qt::LeftButton) ? 1 : 0) | (buttons.testFlag(Qt::RightButton) ? 2 : 0)
           | (buttons.testFlag(Qt::MiddleButton) ? 4 : 0);
}

constexpr int ShiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
           | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

}   // namespace MouseCodes
