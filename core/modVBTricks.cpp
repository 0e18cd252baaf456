#include "core/modVBTricks.h"

#include <QWidget>

namespace modVBTricks {

void ShowTitleBar(QWidget* window, bool show)
{
    if (!window)
        return;
    const bool frameless = !show;
    if (window->windowFlags().testFlag(Qt::FramelessWindowHint) == frameless)
        return;
    // Changing a window's flags hides it and may move it: put both back.
    const QRect geometry = window->geometry();
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::FramelessWindowHint, frameless);
    window->setGeometry(geometry);
    if (wasVisible)
        window->show();
}

} // namespace modVBTricks
