#include "ui/main/ScrollLabels.h"

#include "core/NumberFormat.h"
#include "ui/common/Label.h"

namespace ScrollLabelSteps {

Modifier KeyModifier(bool shift, bool ctrl)
{
    if (shift)
        return Modifier::Shift;
    return ctrl ? Modifier::Ctrl : Modifier::None;
}

Modifier WheelModifier(bool shift, bool ctrl)
{
    if (ctrl)
        return Modifier::Ctrl;
    return shift ? Modifier::Shift : Modifier::None;
}

float StepFor(const ScrollLabelRecord& record, Modifier modifier)
{
    switch (modifier) {
    case Modifier::Shift: return record.ShiftStep;
    case Modifier::Ctrl: return record.CtrlStep;
    case Modifier::None: break;
    }
    return record.Step;
}

void StepValue(ScrollLabelRecord& record, int direction, Modifier modifier)
{
    const float step = StepFor(record, modifier);
    if (direction > 0) {
        record.Value += step;
        if (record.Value >= record.Max)
            record.Value = record.Max;
    } else if (direction < 0) {
        record.Value -= step;
        if (record.Value <= record.Min)
            record.Value = record.Min;
    }
    if (!record.Format.empty() && record.ShowCaption)
        ShowValue(record);
    VectorLib::CallBack(record.ApplyProc);
}

void ShowValue(const ScrollLabelRecord& record) { ShowCaption(record, record.Value); }

void ShowCaption(const ScrollLabelRecord& record, double value, const std::string& prefix)
{
    if (record.Label)
        record.Label->setText(QString::fromStdString(::Format(value, prefix + record.Format)));
}

} // namespace ScrollLabelSteps
