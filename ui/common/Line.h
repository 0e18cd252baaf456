#pragma once

#include <QWidget>

#include <cstdint>

// A line control: a straight line between two points of its container, given in twips.
// It takes no mouse input; the window's layout reads its end points (a marker line's Y1).
class Line : public QWidget
{
    Q_OBJECT
public:
    explicit Line(QWidget* parent = nullptr);

    int X1() const { return x1_; }
    int Y1() const { return y1_; }
    int X2() const { return x2_; }
    int Y2() const { return y2_; }
    void SetEnds(int x1, int y1, int x2, int y2);
    void SetBorderColor(uint32_t colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int x1_ = 0;
    int y1_ = 0;
    int x2_ = 0;
    int y2_ = 0;
    uint32_t colour_ = 0x808080;
};
