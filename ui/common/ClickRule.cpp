#include "ui/common/ClickRule.h"

#include <QAbstractButton>
#include <QRadioButton>

namespace ClickRule {

void Connect(QAbstractButton* button, std::function<void()> handler)
{
    if (!button->isCheckable()) {
        QObject::connect(button, &QAbstractButton::clicked, button, [handler] { handler(); });
        return;
    }
    // toggled is raised by setChecked and by a click alike, once per change of the value.
    const bool option = qobject_cast<QRadioButton*>(button) != nullptr;
    QObject::connect(button, &QAbstractButton::toggled, button, [handler, option](bool checked) {
        if (checked || !option)
            handler();
    });
}

void SetCheckAndRun(QAbstractButton* box, bool ticked, const std::function<void()>& handler)
{
    if (box->isChecked() != ticked)
        box->setChecked(ticked);   // the change runs the handler
    else
        handler();
}

}   // namespace ClickRule
