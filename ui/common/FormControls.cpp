#include "ui/common/FormControls.h"

#include "ui/common/FormUnits.h"

#include <QAbstractButton>
#include <QPalette>
#include <QPushButton>

namespace FormControls {

void Place(QWidget* control, int left, int top, int width, int height)
{
    using FormUnits::TwipsToPixels;
    control->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

namespace {

// The control's own text colour in every state (active, inactive, disabled window), not
// one it takes over from its parent.
bool HoldsTextColour(const QPalette& palette, const QColor& text)
{
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            if (!palette.isBrushSet(group, role) || palette.color(group, role) != text)
                return false;
    return true;
}

// A system colour as the control's window shows it: the main window has faces of its own, which
// a control given the button face takes.
QColor Shown(const QWidget* control, uint32_t colour)
{
    return FormUnits::OleColour(colour, control->window()->palette());
}

} // namespace

void SetForeColour(QWidget* control, uint32_t colour)
{
    QPalette palette = control->palette();
    const QColor text = Shown(control, colour);
    if (HoldsTextColour(palette, text))
        return;
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Text, text);
    control->setPalette(palette);
}

uint32_t ForeColour(const QWidget* control)
{
    return FormUnits::ToOleColour(control->palette().color(QPalette::WindowText));
}

void SetBackColour(QWidget* control, uint32_t colour)
{
    QPalette palette = control->palette();
    const QColor back = Shown(control, colour);
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::Button, back);
    palette.setColor(QPalette::Base, back);
    // An option button's or check box's face is its background, but its indicator stands
    // out from it, so that an unticked box stays visible on any background.
    if (qobject_cast<QAbstractButton*>(control) && !qobject_cast<QPushButton*>(control))
        palette.setColor(QPalette::Base, back.lightness() < 128 ? QColor(64, 64, 72) : QColor(Qt::white));
    control->setPalette(palette);
    control->setAutoFillBackground(true);
}

uint32_t BackColour(const QWidget* control)
{
    return FormUnits::ToOleColour(control->palette().color(QPalette::Window));
}

}   // namespace FormControls
