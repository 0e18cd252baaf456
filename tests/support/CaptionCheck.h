#pragma once

#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/Shape.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

// Finds the captions a window shows cut or run together: every visible button's and label's text measured
// in its own font against the room its control gives it, and every such control that its
// container (or the window's edge) cuts. Controls that lie wholly outside the window, as
// those below a small display size's edge do, are not on screen and not looked at.
namespace CaptionCheck {

// The findings, one to a line, for a failure message.
inline std::string Lines(const std::vector<std::string>& lines)
{
    std::ostringstream text;
    for (const std::string& line : lines)
        text << line << '\n';
    return text.str();
}

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
        if (const auto* frame = qobject_cast<const Frame*>(control)) {
            // The caption stops short of the frame's rounded corner.
            if (OnScreen(frame, window) && !frame->rect().adjusted(0, 0, -3, 0).contains(frame->CaptionBox()))
                cut.push_back(frame->objectName().toStdString() + " \"" + frame->Caption().toStdString() +
                              "\": wider than its frame");
            continue;
        }
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

inline Qt::Alignment CaptionAlignment(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->alignment();
    if (qobject_cast<const QPushButton*>(control))
        return Qt::AlignCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// Where a control's caption is drawn, in the window's coordinates: the extent of its text in
// its font, placed as the control aligns it in its room and clipped to the control; a frame's
// caption on its top edge. Empty when the control shows no caption.
inline QRect CaptionBox(const QWidget* control, const QWidget* window)
{
    QRect box;
    if (const auto* frame = qobject_cast<const Frame*>(control)) {
        box = frame->CaptionBox();
    } else if (qobject_cast<const QLabel*>(control) || qobject_cast<const QAbstractButton*>(control)) {
        const QString text = ShownText(TextOf(control));
        if (text.trimmed().isEmpty())
            return {};
        const QSize size = QFontMetrics(control->font()).size(0, text);
        box = QStyle::alignedRect(control->layoutDirection(), CaptionAlignment(control), size, CaptionRoom(control)) &
              control->rect();
    }
    return box.isEmpty() ? QRect() : box.translated(control->mapTo(window, QPoint(0, 0)));
}

// What a control draws besides its caption, in the window's coordinates: the indicator of
// an option button or check box (the whole button when it has none), the face of a command
// button, a label's picture, the whole of any other control. Empty for what
// draws nothing over what lies beneath it: containers, frames (their border is looked at
// apart), lines, outlines and the hover images.
inline QRect SolidBox(const QWidget* control, const QWidget* window)
{
    QRect box = control->rect();
    if (qobject_cast<const Frame*>(control) || qobject_cast<const Line*>(control) ||
        qobject_cast<const Shape*>(control) || qobject_cast<const Image*>(control) ||
        control->metaObject() == &QWidget::staticMetaObject) {
        box = {};
    } else if (const auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->pixmap().isNull())
            box = {};
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const bool radio = qobject_cast<const QRadioButton*>(control) != nullptr;
        if (radio || qobject_cast<const QCheckBox*>(control)) {
            const QRect indicator = button->style()->subElementRect(
                radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, button);
            if (!indicator.isEmpty())
                box = indicator & control->rect();
        }
    }
    return box.isEmpty() ? QRect() : box.translated(control->mapTo(window, QPoint(0, 0)));
}

// Whether a is painted after, and so over, b: the order of their branches below the nearest
// container of both.
inline bool PaintedOver(const QWidget* a, const QWidget* b)
{
    for (const QWidget* upper = a; upper->parentWidget(); upper = upper->parentWidget()) {
        const QWidget* container = upper->parentWidget();
        if (!container->isAncestorOf(b))
            continue;
        const QWidget* lower = b;
        while (lower->parentWidget() != container)
            lower = lower->parentWidget();
        return container->children().indexOf(upper) > container->children().indexOf(lower);
    }
    return false;
}

// The room a frame leaves its controls, in the window's coordinates.
inline QRect InnerRoomOf(const Frame* frame, const QWidget* window)
{
    return frame->InnerRoom().translated(frame->mapTo(window, QPoint(0, 0)));
}

// A caption's box widened by a share of a blank of its font either side: two captions on a
// line closer than a blank read as one word; a caption closer than half a blank to a frame's
// border or to another control touches it.
inline QRect WithBlanks(const QWidget* control, QRect box, double blanks)
{
    const int room = static_cast<int>(std::ceil(QFontMetrics(control->font()).horizontalAdvance(' ') * blanks));
    return box.adjusted(-room, 0, room, 0);
}

inline std::string NameOf(const QWidget* control)
{
    const QString caption = qobject_cast<const Frame*>(control) ? static_cast<const Frame*>(control)->Caption()
                                                                  : ShownText(TextOf(control));
    return control->objectName().toStdString() + (caption.isEmpty() ? "" : " \"" + caption.toStdString() + "\"");
}

struct Ink
{
    const QWidget* control;
    QRect caption, solid;   // in the window's coordinates; either may be empty
};

// What a caption meets among the controls neither inside nor around it: another caption
// closer than a blank, or a control it lies under, or over without lying wholly on it (a
// caption may sit on a picture as on its background).
inline void CheckAgainstOthers(const std::vector<Ink>& inks, size_t first, std::vector<std::string>& found)
{
    const Ink& mine = inks[first];
    const QRect spaced = WithBlanks(mine.control, mine.caption, 1.0), near = WithBlanks(mine.control, mine.caption, 0.5);
    for (size_t second = 0; second < inks.size(); ++second) {
        const Ink& other = inks[second];
        if (other.control->isAncestorOf(mine.control) || mine.control->isAncestorOf(other.control) || second == first)
            continue;
        const bool closer = spaced.intersects(other.caption) ||
                            WithBlanks(other.control, other.caption, 1.0).intersects(mine.caption);
        if (second > first && !other.caption.isEmpty() && closer)
            found.push_back(NameOf(mine.control) + " runs into " + NameOf(other.control));
        const bool onBackground = PaintedOver(mine.control, other.control) && other.solid.contains(near);
        if (!other.solid.isEmpty() && near.intersects(other.solid) && !onBackground)
            found.push_back(NameOf(mine.control) + " lies under or over " + NameOf(other.control));
    }
}

// Nothing inside a frame reaches its caption, and a caption inside a frame keeps off its border.
inline void CheckAgainstFrames(const std::vector<Ink>& inks, const Ink& mine, const QWidget* window,
                               std::vector<std::string>& found)
{
    if (qobject_cast<const Frame*>(mine.control))
        for (const Ink& inside : inks)
            if (inside.control != mine.control && mine.control->isAncestorOf(inside.control) &&
                (inside.caption.intersects(mine.caption) || inside.solid.intersects(mine.caption)))
                found.push_back(NameOf(inside.control) + " covers the caption of " + NameOf(mine.control));
    for (const QWidget* container = mine.control->parentWidget(); container && container != window;
         container = container->parentWidget()) {
        const auto* frame = qobject_cast<const Frame*>(container);
        if (frame && !InnerRoomOf(frame, window).contains(WithBlanks(mine.control, mine.caption, 0.5)))
            found.push_back(NameOf(mine.control) + " touches the border of " + NameOf(frame));
    }
}

// One line per caption that runs into another caption, lies under or over another control,
// or touches the border of a frame it is in; and per control that covers a frame's caption.
// Controls off the window (below a small display size's edge) are not looked at.
inline std::vector<std::string> CollidingCaptions(QWidget* window)
{
    std::vector<Ink> inks;
    for (QWidget* control : window->findChildren<QWidget*>())
        if (OnScreen(control, window) && !control->isWindow())
            inks.push_back({control, CaptionBox(control, window), SolidBox(control, window)});
    std::vector<std::string> found;
    for (size_t first = 0; first < inks.size(); ++first) {
        if (inks[first].caption.isEmpty())
            continue;
        CheckAgainstOthers(inks, first, found);
        CheckAgainstFrames(inks, inks[first], window, found);
    }
    return found;
}

// The window's picture beside the test programs in the build folder.
inline void SaveScreenshot(QWidget* window, const QString& name)
{
    window->grab().save(QDir(QCoreApplication::applicationDirPath()).filePath(name + ".png"));
}

}   // namespace CaptionCheck
