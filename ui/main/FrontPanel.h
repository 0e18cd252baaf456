#pragma once

#include <cstdint>

class Label;
class Line;
class QPushButton;

// The window size chosen by the display-size buttons (0 Comp, 1 Std, 2 Ext, 3 Full); the
// window's settings keep it under "DisplayMode".
inline int32_t DisplayMode = 2;
// While receiving, the window may run without its caption bar: its height then lacks
// TitleBarHeight (twips, taken at start-up), and FullWindowHeight is the height to return to.
inline bool TitleBarHidden = false;
inline int32_t TitleBarHeight = 0;
inline int32_t FullWindowHeight = 0;

// The scroll label under the pointer, which the wheel and keys act on: 0 none, 1 the
// frequency display, 16 the spectrum.
inline int16_t FocusedLabelID = 0;

// The controls the window builds itself beside its panels (which build and hold their own);
// the display sizes cut the window off at one of the marker lines.
struct FrontPanel
{
    // Configuration and version, beside the recorder bar.
    QPushButton* cmdConfig = nullptr;
    Label* lblCLKINFreq = nullptr;
    Label* lblIFFreq = nullptr;
    Label* lblVer = nullptr;

    // The display sizes' marker lines: each size's client area ends at one of them.
    Line* linCompact = nullptr;
    Line* linNormal = nullptr;
    Line* linExtended = nullptr;
    Line* linConfig = nullptr;
};
