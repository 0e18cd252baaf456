#pragma once

#include "ui/common/ControlArray.h"

#include <QAbstractButton>

#include <cstdint>
#include <functional>
#include <memory>

// A control array of option buttons, check boxes or command buttons with one click
// handler that takes the element's index. Values follow the click rule (ClickRule.h):
// selecting an option or changing a check box's value from code runs the handler at once,
// exactly as a user's click does, and a click runs it once. The buttons belong to their
// container; the array is a light handle that can be copied.
//
// The option buttons of one array exclude each other (and only each other, wherever
// their containers are).
class ButtonArray
{
public:
    enum class Kind { Option, Check, Command };

    static constexpr uint32_t NormalColour = 0xC0C000;   // dark cyan
    static constexpr uint32_t ChosenColour = 0xFFFF00;   // cyan

    ButtonArray() = default;
    ButtonArray(QWidget* container, const QString& name, Kind kind, int count, int lowerBound = 0);

    QAbstractButton* operator[](int index) const { return buttons_[index]; }
    int LBound() const { return buttons_.LBound(); }
    int UBound() const { return buttons_.UBound(); }
    int Count() const { return buttons_.Count(); }
    bool Contains(int index) const { return buttons_.Contains(index); }
    auto begin() const { return buttons_.begin(); }
    auto end() const { return buttons_.end(); }

    // The index of the element that is this widget, LBound - 1 when none is.
    int IndexOf(const QWidget* widget) const;
    // Options: the selected element's index, LBound - 1 when none is selected.
    int Selected() const;
    // Options: selects an element as its value True does (an index outside the array does nothing).
    void Select(int index);
    // Check boxes: 1 ticked, 0 cleared.
    int Value(int index) const;
    void SetValue(int index, int value);

    // Every element's text in the normal colour, the element index in the chosen one.
    void HighlightOnly(int index, uint32_t normal = NormalColour, uint32_t chosen = ChosenColour);

    // The click handler, given the element's index (one for the whole array).
    void OnClick(std::function<void(int)> handler) { *click_ = std::move(handler); }

private:
    ControlArray<QAbstractButton> buttons_;
    std::shared_ptr<std::function<void(int)>> click_ = std::make_shared<std::function<void(int)>>();
};
