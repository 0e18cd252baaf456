#include "ui/main/PanelBuilder.h"

#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"

#include <QCheckBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace PanelBuilder {

Label* MakeLabel(QWidget* container, const char* name, const char* caption, Place place, const char* toolTip,
                 Qt::Alignment alignment)
{
    auto* label = Make<Label>(container, name, place);
    label->setText(caption);
    label->setToolTip(toolTip);
    label->setAlignment(alignment);
    return label;
}

QCheckBox* MakeCheck(QWidget* container, const char* name, const char* caption, const char* toolTip, Place place)
{
    auto* box = Make<QCheckBox>(container, name, place);
    box->setText(caption);
    box->setToolTip(toolTip);
    return box;
}

QPushButton* MakeCommand(QWidget* container, const char* name, const char* caption, const char* toolTip, Place place)
{
    auto* button = Make<QPushButton>(container, name, place);
    button->setText(caption);
    button->setToolTip(toolTip);
    return button;
}

Frame* MakeFrame(QWidget* container, const char* name, const char* caption, Place place)
{
    auto* frame = Make<Frame>(container, name, place);
    frame->SetCaption(caption);
    return frame;
}

Slider* MakeSlider(QWidget* container, const char* name, Qt::Orientation orientation, Place place, int min, int max,
                   const char* toolTip)
{
    auto* slider = new Slider(orientation, container);
    slider->setObjectName(name);
    FormControls::Place(slider, place.left, place.top, place.width, place.height);
    slider->SetMin(min);
    slider->SetMax(max);
    slider->SetTickFrequency(std::max(1, (max - min) / 10));
    slider->SetLargeChange(std::max(1, (max - min) / 10));
    slider->setToolTip(toolTip);
    return slider;
}

ButtonArray MakeArray(QWidget* container, const char* name, ButtonArray::Kind kind,
                      std::initializer_list<Element> elements, int lowerBound)
{
    ButtonArray array(container, name, kind, static_cast<int>(elements.size()), lowerBound);
    int index = lowerBound;
    for (const Element& element : elements) {
        QAbstractButton* button = array[index++];
        button->setText(element.caption);
        button->setToolTip(element.toolTip);
        FormControls::Place(button, element.place.left, element.place.top, element.place.width, element.place.height);
    }
    return array;
}

void Graphical(const ButtonArray& buttons)
{
    for (QAbstractButton* button : buttons) {
        button->setStyleSheet("QRadioButton { border: 1px solid #505050; border-radius: 2px; padding: 0px; spacing: 0px; }"
                              "QRadioButton:checked { border-color: #a0a0a0; }"
                              "QRadioButton::indicator { width: 0px; height: 0px; }");
    }
}

}   // namespace PanelBuilder
