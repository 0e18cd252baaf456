#include "PanelDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QTabBar>
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

// A left click at a point of the widget.
void PostClick(QWidget* widget, const QPointF& at)
{
    PostMouse(widget, QEvent::MouseButtonPress, at);
    PostMouse(widget, QEvent::MouseButtonRelease, at);
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
        QString answer;
        const QString failure = Run(line, answer);
        Reply(QString::number(handled_) +
              (!failure.isEmpty() ? " failed: " + failure : answer.isEmpty() ? " ok" : " ok " + answer));
    }
}

QString PanelDriver::Run(const QString& command, QString& answer)
{
    const QString verb = command.section(' ', 0, 0);
    const QString name = command.section(' ', 1, 1);
    const QString rest = command.section(' ', 2);   // may hold spaces
    const bool takesRest = verb == "tab" || verb == "choose" || verb == "tick";
    if (name.isEmpty() || (takesRest ? rest.isEmpty() : !rest.isEmpty()) ||
        !QStringList{"click", "tab", "tick", "choose", "entries"}.contains(verb))
        return "not understood: " + command;
    QWidget* widget = VisibleWidgetNamed(name);
    if (!widget)
        return "no visible widget " + name;
    if (!widget->isEnabled())
        return name + " is disabled";
    if (verb == "click") {
        PostClick(widget, QRectF(widget->rect()).center());
        return {};
    }
    if (verb == "tick") {
        auto* box = qobject_cast<QAbstractButton*>(widget);
        if (!box || !box->isCheckable() || (rest != "on" && rest != "off"))
            return "cannot tick " + name + " " + rest;
        if (box->isChecked() != (rest == "on"))
            PostClick(widget, QRectF(widget->rect()).center());
        return {};
    }
    if (verb == "tab") {
        auto* bar = qobject_cast<QTabBar*>(widget);
        for (int tab = 0; bar && tab < bar->count(); ++tab) {
            if (bar->tabText(tab).remove('&') == rest) {
                PostClick(bar, QRectF(bar->tabRect(tab)).center());
                return {};
            }
        }
        return "no tab " + rest + " in " + name;
    }
    auto* list = qobject_cast<QComboBox*>(widget);
    if (!list)
        return name + " is not a drop-down list";
    if (verb == "entries") {
        QStringList entries;
        for (int entry = 0; entry < list->count(); ++entry)
            entries << list->itemText(entry);
        answer = entries.join('\t');
        return {};
    }
    // As the user's pick from the open list does: the entry shown, and the list's signals.
    const int entry = list->findText(rest, Qt::MatchContains);
    if (entry < 0)
        return "no entry " + rest + " in " + name;
    list->setCurrentIndex(entry);
    emit list->activated(entry);
    emit list->textActivated(list->itemText(entry));
    return {};
}

void PanelDriver::Reply(const QString& text)
{
    QFile replies(replyFile_);
    if (replies.open(QIODevice::WriteOnly | QIODevice::Append))
        replies.write((text + '\n').toUtf8());
}
