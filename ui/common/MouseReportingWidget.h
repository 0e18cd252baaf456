#pragma once

#include <QWidget>

// A hand-drawn control that reports its mouse the way the windows' handlers take it: button
// 1 left, 2 right, 4 middle (the buttons held, for a move); shift 1 Shift, 2 Ctrl, 4 Alt; and
// the position in the control's own units. Moves are reported without a button held too, for
// hovering. Click and DblClick come from the left button only, released over the control.
class MouseReportingWidget : public QWidget {
    Q_OBJECT

public:
    explicit MouseReportingWidget(QWidget* parent = nullptr);

signals:
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void Click();
    void DblClick();

protected:
    // A position in pixels of the widget in the control's units.
    virtual QPointF MousePosition(QPointF pixel) const = 0;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Report(void (MouseReportingWidget::*signal)(int, int, double, double), int button,
                const QMouseEvent* event);
};
