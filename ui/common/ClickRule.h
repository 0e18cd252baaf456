#pragma once

#include <functional>

class QAbstractButton;

// The one rule for the click handlers of option buttons and check boxes: a handler runs
// once for every change of the control's value, whether code set the value or the user
// clicked. An option button runs it when it becomes selected (not when another button of
// its group takes the selection, and not when it is selected again); a check box on
// either change. A command button runs it on a click (or on click() from code).
namespace ClickRule {

void Connect(QAbstractButton* button, std::function<void()> handler);

// Brings a check box to a state and runs its handler once: through the change when the box
// changes, directly when it already stood there.
void SetCheckAndRun(QAbstractButton* box, bool ticked, const std::function<void()>& handler);

}   // namespace ClickRule
