#include "ui/common/Slider.h"

#include "core/BusyGuard.h"
#include "ui/common/MouseSignals.h"

#include <QMouseEvent>

Slider::Slider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent)
{
    setTickPosition(QSlider::TicksBothSides);
    setMouseTracking(true);
    if (orientation == Qt::Vertical) {
        // Min at the top; the Up key moves the thumb up.
        setInvertedAppearance(true);
        setInvertedControls(true);
    }
    connect(this, &QSlider::valueChanged, this, &Slider::ValueChanged);
    connect(this, &QSlider::sliderPressed, this, [this] { valueAtPress_ = value(); });
    connect(this, &QSlider::sliderReleased, this, [this] {
        if (value() != valueAtPress_)
            emit Change();
    });
}

void Slider::SetTickFrequency(int spacing) { setTickInterval(spacing); }

void Slider::ValueChanged()
{
    if (isSliderDown() || userInput_)
        emit Scroll();
    if (!isSliderDown())
        emit Change();
}

template <typename Input>
void Slider::AsUserInput(Input input)
{
    BusyGuard user(userInput_);
    input();
}

void Slider::mousePressEvent(QMouseEvent* event)
{
    EmitMouse(this, &Slider::MouseDown, event);
    if (event->button() == Qt::RightButton) {
        if (resetValue_)
            setValue(resetValue_());
        event->accept();
        return;
    }
    AsUserInput([&] { QSlider::mousePressEvent(event); });
}

void Slider::mouseMoveEvent(QMouseEvent* event)
{
    EmitMouse(this, &Slider::MouseMove, event);
    QSlider::mouseMoveEvent(event);
}

void Slider::keyPressEvent(QKeyEvent* event)
{
    AsUserInput([&] { QSlider::keyPressEvent(event); });
}

void Slider::wheelEvent(QWheelEvent* event)
{
    AsUserInput([&] { QSlider::wheelEvent(event); });
}

// The repeated page steps while a press on the groove is held.
void Slider::timerEvent(QTimerEvent* event)
{
    AsUserInput([&] { QSlider::timerEvent(event); });
}
