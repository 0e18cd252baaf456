#pragma once

#include <QLabel>

// A label that raises the mouse events a window's handlers take (the scroll labels and
// the frequency display's unit labels are hovered, clicked and right-clicked).
class Label : public QLabel
{
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    Label(const QString& caption, QWidget* parent);

signals:
    // Button and shift codes as in MouseCodes; x, y in twips from the label's top-left corner.
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// An image control: a picture (or nothing) that lies over other controls and raises mouse
// events, such as the hover areas over the frequency display and the spectrum.
class Image : public Label
{
    Q_OBJECT
public:
    explicit Image(QWidget* parent = nullptr);
};
