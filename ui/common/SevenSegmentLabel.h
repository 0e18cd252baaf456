#pragma once

#include "ui/common/MouseReportingWidget.h"

#include <QBrush>
#include <QPolygonF>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// A label that shows its caption as seven-segment digits, painted from segments rather than
// from a font, so that it looks the same on every system. The caption stays plain text
// (Caption, and the widget's accessible text), so code and tests read the digits back.
// Each character takes an equal share of the width; characters other than 0-9 and '-'
// show as a blank cell.
class SevenSegmentLabel : public MouseReportingWidget {
    Q_OBJECT

public:
    // Segment bits: a top, b upper right, c lower right, d bottom, e lower left, f upper left,
    // g middle.
    enum Segment : uint8_t { SegA = 1, SegB = 2, SegC = 4, SegD = 8, SegE = 16, SegF = 32, SegG = 64 };
    static constexpr int SegmentCount = 7;

    explicit SevenSegmentLabel(QWidget* parent = nullptr);

    // The segments that show a character (0 for characters it cannot show).
    static uint8_t SegmentsOf(QChar character);
    // The outline of one segment (index 0 = a .. 6 = g) in a character cell.
    static QPolygonF SegmentOutline(int segment, const QRectF& cell);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);   // repaints only when the text changes
    uint32_t ForeColor() const { return foreColour_; }
    void SetForeColor(uint32_t colour);
    uint32_t BackColor() const { return backColour_; }
    void SetBackColor(uint32_t colour);
    int BackStyle() const { return backStyle_; }
    void SetBackStyle(int style);   // 0 transparent, 1 opaque

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Twips from the label's top-left corner.
    QPointF MousePosition(QPointF pixel) const override;

private:
    void Relayout();

    QString caption_;
    uint32_t foreColour_;
    uint32_t backColour_;
    int backStyle_ = 1;
    QBrush segmentBrush_;   // built when the colour changes, not at every paint
    QColor back_;
    // The seven segment outlines of every character cell, rebuilt when the size or the
    // caption's length changes.
    std::vector<std::array<QPolygonF, SegmentCount>> cells_;
};
