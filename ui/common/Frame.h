#pragma once

#include "ui/common/MouseReportingWidget.h"

#include <QString>

// A frame: a titled border that groups controls. The caption sits on the top edge in the
// frame's text colour (the colour the window's focus highlighting changes); children are
// placed from the frame's own top-left corner. The mouse over the frame's bare background
// is reported in twips from that corner.
class Frame : public MouseReportingWidget
{
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Where the caption is drawn over the top edge (empty without a caption), in the frame's
    // own coordinates; and the room inside the border for the frame's controls.
    QRect CaptionBox() const;
    QRect InnerRoom() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QPointF MousePosition(QPointF pixel) const override;

private:
    QString caption_;
};
