#include "ui/common/ButtonArray.h"

#include "ui/common/ClickRule.h"
#include "ui/common/FormControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

QAbstractButton* MakeButton(ButtonArray::Kind kind, QWidget* container)
{
    switch (kind) {
    case ButtonArray::Kind::Option: return new QRadioButton(container);
    case ButtonArray::Kind::Check: return new QCheckBox(container);
    case ButtonArray::Kind::Command: break;
    }
    return new QPushButton(container);
}

}   // namespace

ButtonArray::ButtonArray(QWidget* container, const QString& name, Kind kind, int count, int lowerBound)
{
    QButtonGroup* group = nullptr;
    if (kind == Kind::Option) {
        group = new QButtonGroup(container);
        group->setExclusive(true);
    }
    std::vector<QAbstractButton*> made;
    for (int offset = 0; offset < count; ++offset)
        made.push_back(MakeButton(kind, container));
    // The array takes the buttons under their element names.
    buttons_ = ControlArray<QAbstractButton>(made, name, lowerBound);
    for (int index = LBound(); index <= UBound(); ++index) {
        QAbstractButton* button = buttons_[index];
        if (group)
            group->addButton(button);
        ClickRule::Connect(button, [click = click_, index] {
            if (*click)
                (*click)(index);
        });
    }
}

int ButtonArray::IndexOf(const QWidget* widget) const
{
    for (int index = LBound(); index <= UBound(); ++index) {
        if (buttons_[index] == widget)
            return index;
    }
    return LBound() - 1;
}

int ButtonArray::Selected() const
{
    for (int index = LBound(); index <= UBound(); ++index) {
        if (buttons_[index]->isChecked())
            return index;
    }
    return LBound() - 1;
}

void ButtonArray::Select(int index)
{
    if (index >= LBound() && index <= UBound())
        buttons_[index]->setChecked(true);
}

int ButtonArray::Value(int index) const { return buttons_[index]->isChecked() ? 1 : 0; }

void ButtonArray::SetValue(int index, int value) { buttons_[index]->setChecked(value != 0); }

void ButtonArray::HighlightOnly(int index, uint32_t normal, uint32_t chosen)
{
    for (int element = LBound(); element <= UBound(); ++element)
        FormControls::SetForeColour(buttons_[element], element == index ? chosen : normal);
}
