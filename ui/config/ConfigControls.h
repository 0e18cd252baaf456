#pragma once

// The configuration window's way of making a control: named for the settings and tests
// that find it, with its tooltip; buttons never take Enter from the window.
#include <QCheckBox>
#include <QPushButton>

namespace ConfigControls {

template <typename Control>
Control* Named(Control* control, const char* name, const char* tip = "")
{
    control->setObjectName(name);
    if (*tip)
        control->setToolTip(tip);
    return control;
}

inline QCheckBox* Check(QWidget* parent, const char* name, const char* text, const char* tip = "")
{
    return Named(new QCheckBox(text, parent), name, tip);
}

inline QPushButton* Button(QWidget* parent, const char* name, const char* text, const char* tip = "")
{
    auto* button = Named(new QPushButton(text, parent), name, tip);
    button->setAutoDefault(false);
    return button;
}

} // namespace ConfigControls
