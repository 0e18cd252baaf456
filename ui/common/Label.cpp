#include "ui/common/Label.h"

#include "ui/common/MouseSignals.h"

Label::Label(QWidget* parent)
    : QLabel(parent)
{
    setMouseTracking(true);
}

Label::Label(const QString& caption, QWidget* parent)
    : Label(parent)
{
    setText(caption);
}

void Label::mousePressEvent(QMouseEvent* event) { EmitMouse(this, &Label::MouseDown, event); }
void Label::mouseMoveEvent(QMouseEvent* event) { EmitMouse(this, &Label::MouseMove, event); }

void Label::mouseReleaseEvent(QMouseEvent* event)
{
    EmitMouse(this, &Label::MouseUp, event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void Label::mouseDoubleClickEvent(QMouseEvent* event)
{
    EmitMouse(this, &Label::MouseDown, event);
    emit DblClick();
}

Image::Image(QWidget* parent)
    : Label(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAlignment(Qt::AlignCenter);
}
