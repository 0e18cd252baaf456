#pragma once

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTextDocument>

#include <string>
#include <vector>

// Finds the captions a window shows cut: every visible button's and label's text measured
// in its own font against the room its control gives it, and every such control that its
// container (or the window's edge) cuts. Controls that lie wholly outside the window, as
// those below a small display size's edge do, are not on screen and not looked at.
namespace CaptionCheck {

inline QString ShownText(QString text)
{
    text.replace("&&", "\x01");
    text.remove('&');
    text.replace('\x01', '&');
    return text;
}

// The rectangle the control draws its caption in, in its own coordinates.
inline QRect CaptionRoom(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const int margin = label->margin() + std::max(label->indent(), 0);
        return label->contentsRect().adjusted(margin, margin, -margin, -margin);
    }
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    if (qobject_cast<const QRadioButton*>(control))
        return button->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, button);
    if (qobject_cast<const QCheckBox*>(control))
        return button->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, button);
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
}

inline QString TextOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->wordWrap() || Qt::mightBeRichText(label->text()) ? QString() : label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return {};
}

// Empty when the control is whole inside every container up to the window.
inline std::string CutByContainer(const QWidget* control, const QWidget* window)
{
    QRect place = control->rect();
    for (const QWidget* widget = control; widget != window; widget = widget->parentWidget()) {
        place.translate(widget->pos());
        const QWidget* container = widget->parentWidget();
        if (!container)
            break;
        if (!container->rect().contains(place))
            return "cut by " + container->objectName().toStdString();
    }
    return {};
}

inline bool OnScreen(const QWidget* control, const QWidget* window)
{
    const QRect place(control->mapTo(window, QPoint(0, 0)), control->size());
    return control->isVisibleTo(window) && place.intersects(window->rect());
}

// One line per cut caption: the control's name, its text and what cuts it.
inline std::vector<std::string> CutCaptions(QWidget* window)
{
    std::vector<std::string> cut;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control))
            continue;
        const QString text = ShownText(TextOf(control));
        if (text.trimmed().isEmpty() || !OnScreen(control, window))
            continue;
        const std::string name = control->objectName().toStdString() + " \"" + text.toStdString() + "\": ";
        if (const std::string container = CutByContainer(control, window); !container.empty()) {
            cut.push_back(name + container);
            continue;
        }
        const QFontMetrics metrics(control->font());
        const QRect room = CaptionRoom(control);
        const int width = metrics.horizontalAdvance(text);
        if (width > room.width() || metrics.height() > room.height())
            cut.push_back(name + std::to_string(width) + "x" + std::to_string(metrics.height()) + " in " +
                          std::to_string(room.width()) + "x" + std::to_string(room.height()));
    }
    return cut;
}

// The window's picture beside the test programs in the build folder.
inline void SaveScreenshot(QWidget* window, const QString& name)
{
    window->grab().save(QDir(QCoreApplication::applicationDirPath()).filePath(name + ".png"));
}

}   // namespace CaptionCheck
