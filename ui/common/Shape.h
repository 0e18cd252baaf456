#pragma once

#include <QBrush>
#include <QPen>
#include <QWidget>

#include <cstdint>

// A shape drawn on its container: a rectangle, square, oval, circle or rounded rectangle with
// a border and a fill. Like a form's shape control it takes no mouse input: events pass to
// the control beneath.
class Shape : public QWidget {
    Q_OBJECT

public:
    enum Shapes { Rectangle = 0, Square = 1, Oval = 2, Circle = 3, RoundedRectangle = 4, RoundedSquare = 5 };
    // Border styles: 0 transparent, 1 solid, 2 dash, 3 dot, 4 dash-dot, 5 dash-dot-dot,
    // 6 inside solid. Fill styles: 0 solid, 1 transparent. Back styles: 0 transparent, 1 opaque.

    explicit Shape(QWidget* parent = nullptr);

    int ShapeKind() const { return shape_; }
    void SetShape(int shape);
    uint32_t BackColor() const { return backColour_; }
    void SetBackColor(uint32_t colour);
    int BackStyle() const { return backStyle_; }
    void SetBackStyle(int style);
    uint32_t BorderColor() const { return borderColour_; }
    void SetBorderColor(uint32_t colour);
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int style);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int pixels);   // below 1 counts as 1
    uint32_t FillColor() const { return fillColour_; }
    void SetFillColor(uint32_t colour);
    int FillStyle() const { return fillStyle_; }
    void SetFillStyle(int style);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF Outline() const;
    void Restyle();
    template <typename Value>
    void Change(Value& property, Value value);

    int shape_ = Rectangle;
    uint32_t backColour_;
    int backStyle_ = 0;
    uint32_t borderColour_;
    int borderStyle_ = 1;
    int borderWidth_ = 1;
    uint32_t fillColour_ = 0;
    int fillStyle_ = 1;
    bool styled_ = false;
    QPen borderPen_;
    QBrush backBrush_;
    QBrush fillBrush_;
};
