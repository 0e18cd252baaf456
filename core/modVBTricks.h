#pragma once

class QWidget;

// Window-frame tricks.
namespace modVBTricks {

// Shows or hides a top-level window's caption bar; the window keeps its place, size and
// visibility. Does nothing for a null window.
void ShowTitleBar(QWidget* window, bool show);

} // namespace modVBTricks
