#include "ui/common/Slider.h"

#include "core/BusyGuard.h"
#include "ui/common/MouseSignals.h"

#include <QMouseEvent>

namespace {

// A slim track and a small handle that fit the panel's narrow sliders (a style's own slider
// needs more room than they have and draws an empty square instead).
const char* const SlimStyle =
    "QSlider::groove:horizontal { height: 4px; background: #505056; border-radius: 2px; }"
    "QSlider::handle:horizontal { width: 8px; margin: -4px 0; background: #b0b0b8; border-radius: 2px; }"
    "QSlider::groove:vertical { width: 4px; background: #505056; border-radius: 2px; }"
    "QSlider::handle:vertical { height: 8px; margin: 0 -4px; background: #b0b0b8; border-radius: 2px; }";

}   // namespace

Slider::Slider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent)
{
    setTickPosition(QSlider::TicksBothSides);
    setStyleSheet(SlimStyle);
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
