#pragma once

#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

// A control array: controls of one kind that share a name and are told apart by an index
// from LBound to UBound. Element i carries the object name "name_i".
template <typename Control>
class ControlArray
{
public:
    ControlArray() = default;

    // Makes count controls on the container, the first with index lowerBound.
    ControlArray(QWidget* container, const QString& name, int count, int lowerBound = 0)
        : lowerBound_(lowerBound)
    {
        for (int offset = 0; offset < count; ++offset) {
            auto* control = new Control(container);
            control->setObjectName(name + '_' + QString::number(lowerBound + offset));
            controls_.push_back(control);
        }
    }

    // Takes controls made elsewhere (of kinds derived from Control) as the array's elements.
    ControlArray(std::vector<Control*> controls, const QString& name, int lowerBound = 0)
        : lowerBound_(lowerBound)
        , controls_(std::move(controls))
    {
        for (int index = LBound(); index <= UBound(); ++index)
            (*this)[index]->setObjectName(name + '_' + QString::number(index));
    }

    Control* operator[](int index) const { return controls_.at(static_cast<size_t>(index - lowerBound_)); }
    int LBound() const { return lowerBound_; }
    int UBound() const { return lowerBound_ + Count() - 1; }
    int Count() const { return static_cast<int>(controls_.size()); }
    bool Contains(int index) const { return index >= LBound() && index <= UBound(); }

    auto begin() const { return controls_.begin(); }
    auto end() const { return controls_.end(); }

private:
    int lowerBound_ = 0;
    std::vector<Control*> controls_;
};
