#pragma once

#include <QWidget>

#include <cstdint>

// What every control of a window shares: its place in twips on its container and its
// colours as 0x00BBGGRR values.
namespace FormControls {

// Moves and sizes a control; left, top, width and height in twips.
void Place(QWidget* control, int left, int top, int width, int height);

// The control's text colour (the caption of a frame, label, button or check box).
void SetForeColour(QWidget* control, uint32_t colour);
uint32_t ForeColour(const QWidget* control);
// The control's background, painted when the control fills its background.
void SetBackColour(QWidget* control, uint32_t colour);
uint32_t BackColour(const QWidget* control);

}   // namespace FormControls
