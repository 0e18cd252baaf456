#include "PanelDriver.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace {

QWidget* VisibleWidgetNamed(const QString& name)
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->objectName() == name && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// Posted, not sent: a click whose handler waits in a message box leaves the driver free
// to go on with the next command, which may be the one that answers the box.
void PostMouse(QWidget* widget, QEvent::Type type, const QPointF& at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QApplication::postEvent(widget, new QMouseEvent(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier));
}

} // namespace

// The command file is watched, so that the driver wakes the program only for a command.
PanelDriver::PanelDriver(const QString& commandFile, const QString& replyFile)
    : commands_(commandFile), replyFile_(replyFile)
{
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &PanelDriver::ReadCommands);
    watcher_.addPath(commandFile);
    ReadCommands();
}

void PanelDriver::ReadCommands()
{
    if (!commands_.isOpen() && !commands_.open(QIODevice::ReadOnly))
        return;   // not written yet
    pending_ += commands_.readAll();
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QString line = QString::fromUtf8(pending_.left(end)).trimmed();
        pending_.remove(0, end + 1);
        ++handled_;
        const QString failure = Run(line);
        Reply(QString::number(handled_) + (failure.isEmpty() ? " ok" : " failed: " + failure));
    }
}

QString PanelDriver::Run(const QString& command)
{
    const QStringList words = command.split(' ', Qt::SkipEmptyParts);
    if (words.size() != 2 || words[0] != "click")
        return "not understood: " + command;
    QWidget* widget = VisibleWidgetNamed(words[1]);
    if (!widget)
        return "no visible widget " + words[1];
    if (!widget->isEnabled())
        return words[1] + " is disabled";
    const QPointF middle = QRectF(widget->rect()).center();
    PostMouse(widget, QEvent::MouseButtonPress, middle);
    PostMouse(widget, QEvent::MouseButtonRelease, middle);
    return {};
}

void PanelDriver::Reply(const QString& text)
{
    QFile replies(replyFile_);
    if (replies.open(QIODevice::WriteOnly | QIODevice::Append))
        replies.write((text + '\n').toUtf8());
}
