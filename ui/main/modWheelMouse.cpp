#include "ui/main/modWheelMouse.h"

#include "core/BusyGuard.h"
#include "core/TryStep.h"
#include "ui/common/MouseCodes.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWindow>

#include <cstdlib>

namespace modWheelMouse {

namespace {

frmMain* hookedWindow = nullptr;

int32_t KeyState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? MK_SHIFT : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? MK_CONTROL : 0);
}

} // namespace

WheelHook::WheelHook(frmMain* window)
    : window_(window)
{
}

// Only the delivery to a window is looked at: Qt sends the same event on to the widget
// under the pointer and to its parents, which must not count again. While a list or menu
// is open the wheel is that list's alone.
bool WheelHook::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWindowType())
        return false;
    if (event->type() == QEvent::Wheel && !QApplication::activePopupWidget()) {
        Wheel(*static_cast<QWheelEvent*>(event));
    } else if (event->type() == QEvent::KeyPress && window_ && watched == window_->windowHandle()) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        window_->Labels->Form_KeyDown(key.key(), MouseCodes::ShiftCode(key.modifiers()));
    }
    return false;
}

// Each whole notch is one wheel message; a fine wheel's parts of a notch add up to one.
void WheelHook::Wheel(const QWheelEvent& event)
{
    const int notches = notches_.Add(event);
    const int32_t message = notches > 0 ? WheelDeltaPerMessage : -WheelDeltaPerMessage;
    const QPoint at = event.globalPosition().toPoint();
    for (int n = 0; n < std::abs(notches); ++n)
        GetMsgProc(message, KeyState(event.modifiers()), at.x(), at.y());
}

void WheelHook::GetMsgProc(int32_t delta, int32_t keyState, int32_t x, int32_t y)
{
    if (busy_)
        return;   // a step under way pumps messages: the nested one only passes
    BusyGuard busy(busy_);
    if (FocusedLabelID < 0 || FocusedLabelID >= ScrollLabelCount)
        return;
    ScrollLabelRecord& record = ScrollLabels[static_cast<size_t>(FocusedLabelID)];
    if (record.Disabled || FocusedLabelID == 0)
        return;
    const int32_t wParam = static_cast<int32_t>(static_cast<uint32_t>(delta) << 16) | keyState;
    record.LastWheelMsg = {WM_MOUSEWHEEL, wParam, x, y};
    const auto modifier = ScrollLabelSteps::WheelModifier(keyState & MK_SHIFT, keyState & MK_CONTROL);
    TryStep([&] { ScrollLabelSteps::StepValue(record, wParam > 0 ? 1 : wParam < 0 ? -1 : 0, modifier); });
}

bool init(frmMain* window)
{
    hookedWindow = window;
    return true;
}

void HookWheel()
{
    HookHandle = std::make_unique<WheelHook>(hookedWindow);
    qApp->installEventFilter(HookHandle.get());
}

void UnHookWheel()
{
    HookHandle.reset();   // removes its filter
}

} // namespace modWheelMouse
