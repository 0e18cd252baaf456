#pragma once

#include "ui/common/ControlArray.h"

#include <QAbstractButton>
#include <QObject>

#include <cstdint>

class QButtonGroup;

// A control array of option buttons, check boxes or command buttons with one click
// handler that takes the element's index. Values follow the click rule (ClickRule.h):
// selecting an option or changing a check box's value from code raises Click at once,
// exactly as a user's click does, and a click raises it once.
//
// The option buttons of one array exclude each other (and only each other, wherever
// their containers are).
class ButtonArray : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Option, Check, Command };

    static constexpr uint32_t NormalColour = 0xC0C000;   // dark cyan
    static constexpr uint32_t ChosenColour = 0xFFFF00;   // cyan

    ButtonArray(QWidget* container, const QString& name, Kind kind, int count, int lowerBound = 0);

    QAbstractButton* operator[](int index) const { return buttons_[index]; }
    int LBound() const { return buttons_.LBound(); }
    int UBound() const { return buttons_.UBound(); }
    int Count() const { return buttons_.Count(); }
    auto begin() const { return buttons_.begin(); }
    auto end() const { return buttons_.end(); }

    // Options: the selected element's index, LBound - 1 when none is selected.
    int Selected() const;
    // Options: selects an element as its value True does (an index outside the array does nothing).
    void Select(int index);
    // Check boxes: 1 ticked, 0 cleared.
    int Value(int index) const;
    void SetValue(int index, int value);

    // Every element's text in the normal colour, the element index in the chosen one.
    void HighlightOnly(int index, uint32_t normal = NormalColour, uint32_t chosen = ChosenColour);

signals:
    void Click(int index);

private:
    ControlArray<QAbstractButton> buttons_;
    QButtonGroup* group_ = nullptr;
};
