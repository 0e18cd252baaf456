#include "ui/main/ScrollLabels.h"

#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "ui/common/Dial.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"

#include <algorithm>
#include <cmath>

ScrollLabelBinding::~ScrollLabelBinding()
{
    for (int16_t id : bound_)
        ScrollLabels[static_cast<size_t>(id)].Label = nullptr;
}

void ScrollLabelBinding::Bind(int16_t id, ::Label* label)
{
    if (id <= 0 || id >= ScrollLabelCount)
        return;
    ScrollLabels[static_cast<size_t>(id)].Label = label;
    bound_.push_back(id);
}

namespace ScrollLabelSteps {

void SetCompanionLimits(Slider* slider, const ScrollLabelRecord& record)
{
    slider->SetMax(static_cast<int>(record.Max));
    slider->SetMin(static_cast<int>(record.Min));
    slider->SetLargeChange(static_cast<int>(record.Step));
    slider->SetSmallChange(static_cast<int>(record.Step));
    slider->SetTickFrequency(static_cast<int>((record.Max - record.Min) / 10));
    slider->Tag = QString::fromStdString(record.Format);
}

void SetCompanionLimits(Dial* dial, const ScrollLabelRecord& record)
{
    dial->SetMax(static_cast<int>(record.Max));
    dial->SetMin(static_cast<int>(record.Min));
    dial->SetTag(QString::fromStdString(record.Format));
}

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

double HeldValue(const ScrollLabelRecord& record, double value)
{
    if (std::isnan(value))
        return record.Default;
    if (!(record.Max > record.Min))
        return value;
    return std::clamp(value, static_cast<double>(record.Min), static_cast<double>(record.Max));
}

std::string HeldNote(const std::string& where, const std::string& key, double value, double held)
{
    return where + ":" + key + "=" + Numeric::Str(value) + " held to " + Numeric::Str(held);
}

void ShowCaption(const ScrollLabelRecord& record, double value, const std::string& prefix)
{
    if (record.Label)
        record.Label->setText(QString::fromStdString(::Format(value, prefix + record.Format)));
}

} // namespace ScrollLabelSteps
