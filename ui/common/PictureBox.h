#pragma once

#include "ui/common/MouseReportingWidget.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QStaticText>
#include <QString>

#include <cstdint>
#include <vector>

// One drawing operation of a picture box, in the box's user units, as the recorder keeps it.
struct DrawOperation {
    enum class Kind { Cls, Line, Box, FilledBox, Print };
    Kind kind = Kind::Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;   // Print: x1, y1 is the text's top-left corner
    uint32_t colour = 0;                     // 0x00BBGGRR; Cls: the back colour
    int width = 1;                           // DrawWidth
    int style = 0;                           // DrawStyle
    int mode = 13;                           // DrawMode (Print is always drawn in copy pen)
    QString text;                            // Print only

    bool operator==(const DrawOperation&) const = default;
};

// A drawing surface with a persistent back buffer (an RGB32 image) that code draws into at any
// moment and the paint event only copies to the screen. It keeps the state of a classic form
// picture box: colours, pen, raster draw mode, current point and a user coordinate system in
// which every position, size and mouse event is given.
//
// Drawing allocates nothing once the box is shown and its pens and texts have been seen: one
// painter stays open on the back buffer (it is reopened only when the size changes),
// consecutive connected segments with the same pen are gathered into one polyline in a buffer
// of reserved size and drawn when the pen changes or the frame ends (AutoRedraw set to False,
// a repaint, a read of the image), pens are kept for reuse and texts are laid out once.
class PictureBox : public MouseReportingWidget {
    Q_OBJECT

public:
    // Raster draw modes for lines and boxes. Printed text is always drawn in copy pen.
    enum DrawModes { MaskNotPen = 3, NotXorPen = 10, CopyPen = 13 };
    enum DrawStyles { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Transparent = 5,
                      InsideSolid = 6 };
    // User (set by any Scale* property), twips (the default) or pixels.
    enum ScaleModes { UserScale = 0, TwipScale = 1, PixelScale = 3 };

    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // Drawing persists in the back buffer whatever this says; it is kept because the
    // callers' sequences set it, and setting it False ends the frame (flushes the drawing).
    bool AutoRedraw() const { return autoRedraw_; }
    void SetAutoRedraw(bool on);

    uint32_t BackColor() const { return backColour_; }
    void SetBackColor(uint32_t colour);   // like a form picture box: also clears the picture
    uint32_t ForeColor() const { return foreColour_; }
    void SetForeColor(uint32_t colour);
    int DrawWidth() const { return drawWidth_; }
    void SetDrawWidth(int pixels);        // below 1 counts as 1
    int DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(int style);         // dashes and dots only show at DrawWidth 1
    int DrawMode() const { return drawMode_; }
    void SetDrawMode(int mode);           // 3, 10 or 13; other values draw as copy pen
    bool FontTransparent() const { return fontTransparent_; }
    void SetFontTransparent(bool transparent) { fontTransparent_ = transparent; }

    double CurrentX() const { return currentX_; }
    void SetCurrentX(double x) { currentX_ = x; }
    double CurrentY() const { return currentY_; }
    void SetCurrentY(double y) { currentY_ = y; }

    // Setting any of the four switches to the user scale, which then spans the box from its
    // first to its last pixel (so that both ends of the range are drawn). In twips and pixels
    // the scale follows the box's size.
    double ScaleLeft() const;
    void SetScaleLeft(double left);
    double ScaleTop() const;
    void SetScaleTop(double top);
    double ScaleWidth() const;
    void SetScaleWidth(double width);     // 0, infinite and NaN values are refused (kept as was)
    double ScaleHeight() const;
    void SetScaleHeight(double height);   // negative: Y grows upwards; 0 is refused
    int ScaleMode() const { return scaleMode_; }
    void SetScaleMode(int mode);          // twips or pixels reset the scale to the box's size

    // Conversions between user units and pixels of the box (for placing child controls and
    // for tests). Sizes keep the sign of the scale.
    QPointF UserToPixel(double x, double y) const;
    QPointF PixelToUser(QPointF pixel) const;
    double UserWidthToPixels(double width) const;
    double UserHeightToPixels(double height) const;

    // Clears to the back colour; the current point becomes (0, 0).
    void Cls();
    // A segment from the current point to (x, y); the current point moves there.
    void LineTo(double x, double y);
    // A segment between two points; the current point moves to the second.
    void Line(double x1, double y1, double x2, double y2);
    // A rectangle between two corners, outlined or filled in the fore colour; the current
    // point moves to the second corner.
    void Box(double x1, double y1, double x2, double y2);
    void FilledBox(double x1, double y1, double x2, double y2);
    // Prints text with its top-left corner at the current point, in the fore colour. With
    // newLine the current point goes to the left edge of the next line, else to the text's end.
    void Print(const QString& text, bool newLine = true);
    // Size of a text in the box's font, in user units (signed like the scale).
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;

    // 0 brings the box to the front among its siblings, 1 sends it to the back.
    void ZOrder(int position = 0);

    QString Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }

    // The back buffer as it stands (ends the current frame first).
    const QImage& Image();

    // Every drawing operation from now on is appended to the list (nullptr stops recording).
    void SetRecorder(std::vector<DrawOperation>* recorder) { recorder_ = recorder; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    QPointF MousePosition(QPointF pixel) const override { return PixelToUser(pixel); }   // user units

private:
    struct Mapping {
        double left = 0, top = 0;
        double xFactor = 1, yFactor = 1;   // pixels per user unit, signed
        QPointF Pixel(double x, double y) const;
    };
    struct LaidOutText {
        QString text;
        QStaticText picture;
        double width = 0;   // pixels
    };
    Mapping CurrentMapping() const;
    const LaidOutText& LayOut(const QString& text) const;
    void FreezeScale();
    void ChangePen(int& setting, int value);
    bool BeginDrawing();
    void ResizeBuffer();
    void ApplyPen(int drawMode);
    void FlushPolyline();
    void EndFrame();
    void ClearBuffer();
    void DrawSegment(double x1, double y1, double x2, double y2);
    void DrawBox(DrawOperation::Kind kind, double x1, double y1, double x2, double y2);
    bool DrawsStrips() const;
    QRect Strip(QPoint from, QPoint to) const;
    void FillOutline(const QRect& pixels);
    void FillInBands(const QRect& area);
    void DrawText(const QString& text);
    void Record(DrawOperation::Kind kind, double x1, double y1, double x2, double y2,
                const QString& text = {});

    QImage buffer_;
    QPainter painter_;
    QPolygonF polyline_;      // segments joined end to start, not yet drawn
    std::vector<QPen> pens_;
    bool penDirty_ = true;
    bool frameOpen_ = false;
    QFontMetricsF metrics_;
    mutable std::vector<LaidOutText> texts_;
    mutable std::size_t nextEvicted_ = 0;
    QColor back_;
    QColor fore_;

    bool autoRedraw_ = false;
    uint32_t backColour_;
    uint32_t foreColour_;
    int drawWidth_ = 1;
    int drawStyle_ = Solid;
    int drawMode_ = CopyPen;
    bool fontTransparent_ = true;
    double currentX_ = 0;
    double currentY_ = 0;
    double scaleLeft_ = 0;
    double scaleTop_ = 0;
    double scaleWidth_ = 1;
    double scaleHeight_ = 1;
    int scaleMode_ = TwipScale;
    QString tag_;
    std::vector<DrawOperation>* recorder_ = nullptr;
};
