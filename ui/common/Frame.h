#pragma once

#include <QString>
#include <QWidget>

// A frame: a titled border that groups controls. The caption sits on the top edge in the
// frame's text colour (the colour the window's focus highlighting changes); children are
// placed from the frame's own top-left corner. Mouse events over the frame's bare
// background are raised as MouseDown, MouseMove and MouseUp.
class Frame : public QWidget
{
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

signals:
    // Button and shift codes as in MouseCodes; x, y in twips from the frame's top-left corner.
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString caption_;
};
