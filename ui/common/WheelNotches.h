#pragma once

class QWheelEvent;

// A wheel's turn in whole notches of 120 units: a fine wheel's or a touch pad's smaller
// parts add up to one, and a turn the other way starts afresh.
class WheelNotches
{
public:
    static constexpr int Notch = 120;

    // The notches this event completes, signed (above 0: away from the user). With Alt held
    // X11 reports the turn on the x axis.
    int Add(const QWheelEvent& event);

private:
    int remainder_ = 0;   // wheel units not yet a whole notch
};
