#pragma once

#include "ui/common/ButtonArray.h"
#include "ui/common/FormControls.h"

#include <QString>
#include <QWidget>

#include <initializer_list>

class Frame;
class Label;
class QCheckBox;
class QPushButton;
class Slider;

// Helpers that build the front panel's controls at their design places (twips, from the
// top-left corner of their container) with their design captions and tool tips.
namespace PanelBuilder {

struct Place
{
    int left, top, width, height;
};

// One element of a control array: caption, tool tip and place.
struct Element
{
    const char* caption;
    const char* toolTip;
    Place place;
};

template <typename Control>
Control* Make(QWidget* container, const char* name, Place place)
{
    auto* control = new Control(container);
    control->setObjectName(name);
    FormControls::Place(control, place.left, place.top, place.width, place.height);
    return control;
}

Label* MakeLabel(QWidget* container, const char* name, const char* caption, Place place,
                 const char* toolTip = "", Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
QCheckBox* MakeCheck(QWidget* container, const char* name, const char* caption, const char* toolTip, Place place);
QPushButton* MakeCommand(QWidget* container, const char* name, const char* caption, const char* toolTip, Place place);
Frame* MakeFrame(QWidget* container, const char* name, const char* caption, Place place);
Slider* MakeSlider(QWidget* container, const char* name, Qt::Orientation orientation, Place place, int min, int max,
                   const char* toolTip = "");
ButtonArray MakeArray(QWidget* container, const char* name, ButtonArray::Kind kind,
                      std::initializer_list<Element> elements, int lowerBound = 0);

// Gives option buttons the look of small push buttons (no indicator; the selected one
// is told by its colour), for the rows of sub-band, preset and size buttons.
void Graphical(const ButtonArray& buttons);

}   // namespace PanelBuilder
