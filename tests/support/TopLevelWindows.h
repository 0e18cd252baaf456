#pragma once

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

// Deletes every top-level window, each once: a window's pop-ups (a combo box's list, say)
// are top-level widgets too and go with the window that owns them.
inline void DeleteTopLevelWindows()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        windows.append(window);
    for (const QPointer<QWidget>& window : windows)
        delete window.data();
}
