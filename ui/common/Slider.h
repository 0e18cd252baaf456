#pragma once

#include <QSlider>
#include <QString>

#include <functional>

// A slider as the front panel uses it: a whole-number Value between Min and Max, stepped
// by SmallChange (keys, wheel) and LargeChange (page clicks), with ticks every
// TickFrequency. A vertical slider has Min at the top.
//
// Events: Scroll while the user moves the thumb (dragging, keys, wheel, page clicks);
// Change once the value has changed: at once when code sets Value or the user steps it,
// at the release after a drag. A right-button press raises MouseDown and, when a reset is
// set, moves the slider to the reset value (which raises Change). Tag is a stored text.
class Slider : public QSlider
{
    Q_OBJECT
public:
    explicit Slider(Qt::Orientation orientation, QWidget* parent = nullptr);
    explicit Slider(QWidget* parent = nullptr)
        : Slider(Qt::Horizontal, parent)
    {
    }

    int Value() const { return value(); }
    void SetValue(int value) { setValue(value); }   // clamped to the limits
    int Max() const { return maximum(); }
    void SetMax(int max) { setMaximum(max); }
    int Min() const { return minimum(); }
    void SetMin(int min) { setMinimum(min); }
    void SetLargeChange(int step) { setPageStep(step); }
    void SetSmallChange(int step) { setSingleStep(step); }
    void SetTickFrequency(int spacing);

    QString Tag;

    // The value a right-button press puts the slider at; none: the press only raises MouseDown.
    void SetRightButtonReset(std::function<int()> resetValue) { resetValue_ = std::move(resetValue); }

signals:
    void Change();
    void Scroll();
    // Button and shift codes as in MouseCodes; x, y in twips from the slider's top-left corner.
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void ValueChanged();
    template <typename Input>
    void AsUserInput(Input input);

    bool userInput_ = false;
    int valueAtPress_ = 0;
    std::function<int()> resetValue_;
};
