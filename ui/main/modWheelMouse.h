#pragma once

#include "ui/common/WheelNotches.h"
#include "ui/main/ScrollLabels.h"

#include <QObject>

#include <memory>

class frmMain;
class QWheelEvent;

// The wheel over the front panel steps the focused scroll label wherever the pointer is: an
// application-wide event filter sees every wheel event as it is delivered to a window (Qt
// then hands it on to the widget under the pointer, unchanged), and the main window's key
// presses, which go to its key handler. Each notch (120 units of wheel angle) is one wheel
// message and steps the label once, as the same notch over the round dial does.
namespace modWheelMouse {

// Key-state flags of a wheel message's low word.
inline constexpr int32_t MK_SHIFT = 4;
inline constexpr int32_t MK_CONTROL = 8;
inline constexpr int32_t WM_MOUSEWHEEL = 0x20A;
inline constexpr int WheelDeltaPerMessage = WheelNotches::Notch;

class WheelHook : public QObject
{
public:
    explicit WheelHook(frmMain* window);

    // One wheel message with its signed delta and key-state flags, as the window receives it.
    void GetMsgProc(int32_t delta, int32_t keyState, int32_t x, int32_t y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Wheel(const QWheelEvent& event);

    frmMain* window_;
    WheelNotches notches_;
    bool busy_ = false;
};

// The installed hook; none while null.
inline std::unique_ptr<WheelHook> HookHandle;

// Keeps the window whose keys the hook hands on. Returns true.
bool init(frmMain* window);
void HookWheel();
void UnHookWheel();

} // namespace modWheelMouse
