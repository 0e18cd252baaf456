#pragma once

#include "ui/common/WheelNotches.h"

#include <QBrush>
#include <QPen>
#include <QString>
#include <QWidget>

// A round knob with a whole-number position Value between Min and Max. Turning it by the
// mouse (press anywhere and turn around the centre), the wheel or the arrow keys moves the
// position one step at a time; with Wrap on, a step past one limit lands on the other, so
// the knob turns endlessly (one turn passes every position once), otherwise it stops at the
// limits on a 300 degree scale. A wheel notch or arrow key moves SingleStep positions. Every change of the position, by the user or by code,
// raises Changing once. With ShowValue on, the knob shows Value formatted with the number
// picture in Tag; with it off, the knob shows the Reading given to it (if any).
class Dial : public QWidget
{
    Q_OBJECT
public:
    explicit Dial(QWidget* parent = nullptr);

    int Value() const { return value_; }
    void SetValue(int value);
    int Max() const { return max_; }
    void SetMax(int max);
    int Min() const { return min_; }
    void SetMin(int min);
    bool Wrap() const { return wrap_; }
    void SetWrap(bool wrap);
    bool ShowValue() const { return showValue_; }
    void SetShowValue(bool show);
    QString Tag() const { return tag_; }
    void SetTag(const QString& tag);
    int SingleStep() const { return singleStep_; }
    void SetSingleStep(int step);
    QString Reading() const { return reading_; }
    void SetReading(const QString& reading);

    // The marker's angle in degrees clockwise from the top for a position.
    double AngleOf(int value) const;

signals:
    void Changing();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Step(int steps);
    double DegreesPerStep() const;
    double PointerAngle(QPointF at) const;
    void UpdateCaption();

    int value_ = 0;
    int max_ = 100;
    int min_ = 0;
    bool wrap_ = true;
    bool showValue_ = true;
    QString tag_;
    QString reading_;
    int singleStep_ = 1;
    QString caption_;
    double dragAngle_ = 0;    // pointer angle at the last step of a drag
    WheelNotches wheelNotches_;
    QRectF knob_;        // laid out when the size changes
    QBrush knobBrush_;
    QPen rimPen_;
    QPen markerPen_;
};
