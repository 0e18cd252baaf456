#include "ui/common/PictureBox.h"

#include "ui/common/FormUnits.h"

#include <QPaintEvent>

#include <algorithm>
#include <cmath>

namespace {

// Room for the longest trace the analyser draws (one point per bin or sample) in one piece.
constexpr qsizetype PolylineCapacity = 8192;
// Pens of different colour, width and style kept for reuse, so that a frame builds none.
constexpr std::size_t PenCacheSize = 32;
// Laid-out texts kept for reuse: a graticule's labels repeat from frame to frame.
constexpr std::size_t TextCacheSize = 64;

QPainter::CompositionMode CompositionOf(int drawMode)
{
    switch (drawMode) {
    case PictureBox::MaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case PictureBox::NotXorPen: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

Qt::PenStyle PenStyleOf(int drawStyle, int drawWidth)
{
    if (drawStyle == PictureBox::Transparent)
        return Qt::NoPen;
    if (drawWidth > 1)   // patterns only show on thin lines
        return Qt::SolidLine;
    switch (drawStyle) {
    case PictureBox::Dash: return Qt::DashLine;
    case PictureBox::Dot: return Qt::DotLine;
    case PictureBox::DashDot: return Qt::DashDotLine;
    case PictureBox::DashDotDot: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

bool Drawable(QPointF pixel)
{
    return !std::isnan(pixel.x()) && !std::isnan(pixel.y());
}

}   // namespace

// Far outside the picture every position draws the same; keeping coordinates within a limit
// keeps the raster engine's integer arithmetic from overflowing on huge values.
QPointF PictureBox::Mapping::Pixel(double x, double y) const
{
    constexpr double Limit = 1 << 20;
    return {std::clamp((x - left) * xFactor, -Limit, Limit), std::clamp((y - top) * yFactor, -Limit, Limit)};
}

PictureBox::PictureBox(QWidget* parent)
    : MouseReportingWidget(parent), metrics_(font()), backColour_(FormUnits::SystemColourFlag | 15),
      foreColour_(FormUnits::SystemColourFlag | 18)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    back_ = FormUnits::OleColour(backColour_);
    fore_ = FormUnits::OleColour(foreColour_);
    polyline_.reserve(PolylineCapacity);
    pens_.reserve(PenCacheSize);
    texts_.reserve(TextCacheSize);
}

PictureBox::~PictureBox() = default;

void PictureBox::SetAutoRedraw(bool on)
{
    autoRedraw_ = on;
    if (!on)
        EndFrame();
}

void PictureBox::SetBackColor(uint32_t colour)
{
    backColour_ = colour;
    back_ = FormUnits::OleColour(colour);
    ClearBuffer();
}

void PictureBox::SetForeColor(uint32_t colour)
{
    if (colour == foreColour_)
        return;
    FlushPolyline();
    foreColour_ = colour;
    fore_ = FormUnits::OleColour(colour);
    penDirty_ = true;
}

void PictureBox::SetDrawWidth(int pixels)
{
    ChangePen(drawWidth_, std::max(pixels, 1));
}

void PictureBox::SetDrawStyle(int style)
{
    ChangePen(drawStyle_, style);
}

void PictureBox::SetDrawMode(int mode)
{
    ChangePen(drawMode_, mode);
}

// The segments gathered so far are drawn with the pen they were drawn with.
void PictureBox::ChangePen(int& setting, int value)
{
    if (value == setting)
        return;
    FlushPolyline();
    setting = value;
    penDirty_ = true;
}

// ---- user scale ----------------------------------------------------------------------------

double PictureBox::ScaleLeft() const
{
    return scaleMode_ == UserScale ? scaleLeft_ : 0.0;
}

double PictureBox::ScaleTop() const
{
    return scaleMode_ == UserScale ? scaleTop_ : 0.0;
}

double PictureBox::ScaleWidth() const
{
    switch (scaleMode_) {
    case UserScale: return scaleWidth_;
    case PixelScale: return width();
    default: return FormUnits::PixelsToTwips(width());
    }
}

double PictureBox::ScaleHeight() const
{
    switch (scaleMode_) {
    case UserScale: return scaleHeight_;
    case PixelScale: return height();
    default: return FormUnits::PixelsToTwips(height());
    }
}

void PictureBox::FreezeScale()
{
    scaleLeft_ = ScaleLeft();
    scaleTop_ = ScaleTop();
    scaleWidth_ = ScaleWidth();
    scaleHeight_ = ScaleHeight();
    scaleMode_ = UserScale;
}

void PictureBox::SetScaleLeft(double left)
{
    FreezeScale();
    if (std::isfinite(left))
        scaleLeft_ = left;
}

void PictureBox::SetScaleTop(double top)
{
    FreezeScale();
    if (std::isfinite(top))
        scaleTop_ = top;
}

void PictureBox::SetScaleWidth(double width)
{
    FreezeScale();
    if (std::isfinite(width) && width != 0)
        scaleWidth_ = width;
}

void PictureBox::SetScaleHeight(double height)
{
    FreezeScale();
    if (std::isfinite(height) && height != 0)
        scaleHeight_ = height;
}

void PictureBox::SetScaleMode(int mode)
{
    if (mode == UserScale)
        FreezeScale();
    else
        scaleMode_ = mode == PixelScale ? PixelScale : TwipScale;
}

// In twips and pixels a unit has a fixed size. A user scale spans from the first to the last
// pixel of the box, so that lines drawn at both ends of the range (the graticule's edges, a
// trace's last point) land on the picture.
PictureBox::Mapping PictureBox::CurrentMapping() const
{
    Mapping mapping;
    mapping.left = ScaleLeft();
    mapping.top = ScaleTop();
    switch (scaleMode_) {
    case UserScale:
        mapping.xFactor = std::max(width() - 1, 0) / scaleWidth_;
        mapping.yFactor = std::max(height() - 1, 0) / scaleHeight_;
        break;
    case PixelScale:
        mapping.xFactor = mapping.yFactor = 1.0;
        break;
    default:
        mapping.xFactor = mapping.yFactor = 1.0 / FormUnits::TwipsPerPixel;
        break;
    }
    return mapping;
}

QPointF PictureBox::UserToPixel(double x, double y) const
{
    return CurrentMapping().Pixel(x, y);
}

QPointF PictureBox::PixelToUser(QPointF pixel) const
{
    const Mapping mapping = CurrentMapping();
    return {mapping.xFactor != 0 ? mapping.left + pixel.x() / mapping.xFactor : mapping.left,
            mapping.yFactor != 0 ? mapping.top + pixel.y() / mapping.yFactor : mapping.top};
}

double PictureBox::UserWidthToPixels(double width) const
{
    return width * CurrentMapping().xFactor;
}

double PictureBox::UserHeightToPixels(double height) const
{
    return height * CurrentMapping().yFactor;
}

// ---- drawing -------------------------------------------------------------------------------

bool PictureBox::BeginDrawing()
{
    if (buffer_.size() != size())
        ResizeBuffer();
    if (buffer_.isNull())
        return false;
    if (!frameOpen_) {
        frameOpen_ = true;
        if (isVisible())
            update();
    }
    return true;
}

void PictureBox::ResizeBuffer()
{
    polyline_.clear();
    if (painter_.isActive())
        painter_.end();
    QImage resized;
    if (!size().isEmpty()) {
        resized = QImage(size(), QImage::Format_RGB32);
        resized.fill(back_);
        if (!buffer_.isNull()) {
            QPainter copier(&resized);
            copier.drawImage(0, 0, buffer_);
        }
    }
    buffer_ = std::move(resized);
    if (!buffer_.isNull()) {
        painter_.begin(&buffer_);
        painter_.setFont(font());
        penDirty_ = true;
    }
}

void PictureBox::ApplyPen(int drawMode)
{
    const QPainter::CompositionMode composition = CompositionOf(drawMode);
    if (painter_.compositionMode() != composition)
        painter_.setCompositionMode(composition);
    if (!penDirty_)
        return;
    penDirty_ = false;
    const int width = drawWidth_ > 1 ? drawWidth_ : 0;
    const Qt::PenStyle style = PenStyleOf(drawStyle_, drawWidth_);
    auto cached = std::find_if(pens_.begin(), pens_.end(), [&](const QPen& pen) {
        return pen.color() == fore_ && pen.width() == width && pen.style() == style;
    });
    if (cached == pens_.end()) {
        if (pens_.size() == PenCacheSize)
            pens_.erase(pens_.begin());
        QPen pen(fore_, width, style, width > 0 ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin);
        pen.setCosmetic(true);
        pens_.push_back(pen);
        cached = pens_.end() - 1;
    }
    painter_.setPen(*cached);
}

void PictureBox::FlushPolyline()
{
    if (polyline_.size() >= 2 && painter_.isActive()) {
        ApplyPen(drawMode_);
        painter_.drawPolyline(polyline_);
    }
    polyline_.clear();
}

void PictureBox::EndFrame()
{
    FlushPolyline();
    frameOpen_ = false;
}

void PictureBox::ClearBuffer()
{
    polyline_.clear();
    if (!BeginDrawing())
        return;
    buffer_.fill(back_);   // a painter's fill of this size would start worker threads
}

void PictureBox::Cls()
{
    Record(DrawOperation::Kind::Cls, 0, 0, 0, 0);
    ClearBuffer();
    currentX_ = 0;
    currentY_ = 0;
}

void PictureBox::DrawSegment(double x1, double y1, double x2, double y2)
{
    if (!BeginDrawing())
        return;
    const Mapping mapping = CurrentMapping();
    const QPointF from = mapping.Pixel(x1, y1), to = mapping.Pixel(x2, y2);
    if (!Drawable(from) || !Drawable(to)) {   // a segment to an undefined point is left out
        FlushPolyline();
        return;
    }
    if (DrawsStrips()) {
        const QPoint a = from.toPoint(), b = to.toPoint();
        if (a.x() == b.x() || a.y() == b.y()) {
            // Like a polyline, the segment stops short of its end point, so that a joint with
            // the next segment is drawn once.
            const QPoint lastPixel(b.x() - (b.x() > a.x()) + (b.x() < a.x()),
                                   b.y() - (b.y() > a.y()) + (b.y() < a.y()));
            FlushPolyline();
            ApplyPen(drawMode_);
            FillInBands(Strip(a, a == b ? b : lastPixel));
            return;
        }
    }
    if (polyline_.isEmpty() || polyline_.constLast() != from || polyline_.size() == PolylineCapacity) {
        FlushPolyline();
        polyline_.append(from);
    }
    polyline_.append(to);
}

void PictureBox::LineTo(double x, double y)
{
    Line(currentX_, currentY_, x, y);
}

void PictureBox::Line(double x1, double y1, double x2, double y2)
{
    Record(DrawOperation::Kind::Line, x1, y1, x2, y2);
    DrawSegment(x1, y1, x2, y2);
    currentX_ = x2;
    currentY_ = y2;
}

void PictureBox::DrawBox(DrawOperation::Kind kind, double x1, double y1, double x2, double y2)
{
    Record(kind, x1, y1, x2, y2);
    currentX_ = x2;
    currentY_ = y2;
    if (!BeginDrawing())
        return;
    FlushPolyline();
    const QPointF corner1 = UserToPixel(x1, y1), corner2 = UserToPixel(x2, y2);
    if (!Drawable(corner1) || !Drawable(corner2))
        return;
    const QRectF corners = QRectF(corner1, corner2).normalized();
    ApplyPen(drawMode_);
    const QRect pixels(corners.topLeft().toPoint(), corners.bottomRight().toPoint());
    if (kind == DrawOperation::Kind::FilledBox) {
        FillInBands(pixels);   // covers both corners' pixels, like the outline
    } else if (DrawsStrips()) {
        FillOutline(pixels);
    } else {
        const QPointF outline[] = {corners.topLeft(), corners.topRight(), corners.bottomRight(),
                                   corners.bottomLeft(), corners.topLeft()};
        painter_.drawPolyline(outline, 5);
    }
}

// A box outline as four strips that meet without overlap, so that a raster mode treats each
// pixel once.
void PictureBox::FillOutline(const QRect& pixels)
{
    const QRect top = Strip(pixels.topLeft(), pixels.topRight());
    const QRect bottom = Strip(pixels.bottomLeft(), pixels.bottomRight());
    if (bottom.top() <= top.bottom() + 1) {
        FillInBands(top.united(bottom));
        return;
    }
    FillInBands(top);
    FillInBands(bottom);
    const int firstRow = top.bottom() + 1, rows = bottom.top() - firstRow;
    FillInBands(QRect(top.left(), firstRow, drawWidth_, rows));
    FillInBands(QRect(top.right() - drawWidth_ + 1, firstRow, drawWidth_, rows));
}

// Wide lines and lines in a raster mode that run straight across or down the picture (the
// graticule, markers, box edges) are filled as strips: the raster engine would otherwise fill
// wide pens as paths and hand long raster-mode spans to worker threads, both of which allocate.
bool PictureBox::DrawsStrips() const
{
    return (drawStyle_ == Solid || drawStyle_ == InsideSolid) && (drawWidth_ > 1 || drawMode_ != CopyPen);
}

// The pixels of a straight line from one point to another, both included, drawWidth_ thick.
QRect PictureBox::Strip(QPoint from, QPoint to) const
{
    const int before = drawWidth_ / 2, after = drawWidth_ - 1 - before;
    return QRect(from, to).normalized().adjusted(-before, -before, after, after);
}

// The raster engine blends fills of more than about 96 rows on worker threads, which allocates
// on every call; bands of 64 rows keep a frame free of allocations.
void PictureBox::FillInBands(const QRect& area)
{
    constexpr int BandRows = 64;
    const QRect visible = area & buffer_.rect();
    for (int top = visible.top(); top <= visible.bottom(); top += BandRows) {
        const int rows = std::min(BandRows, visible.bottom() - top + 1);
        painter_.fillRect(QRect(visible.left(), top, visible.width(), rows), fore_);
    }
}

void PictureBox::Box(double x1, double y1, double x2, double y2)
{
    DrawBox(DrawOperation::Kind::Box, x1, y1, x2, y2);
}

void PictureBox::FilledBox(double x1, double y1, double x2, double y2)
{
    DrawBox(DrawOperation::Kind::FilledBox, x1, y1, x2, y2);
}

void PictureBox::Print(const QString& text, bool newLine)
{
    Record(DrawOperation::Kind::Print, currentX_, currentY_, currentX_, currentY_, text);
    DrawText(text);
    if (newLine) {
        currentX_ = ScaleLeft();
        currentY_ += TextHeight(text);
    } else {
        currentX_ += TextWidth(text);
    }
}

void PictureBox::DrawText(const QString& text)
{
    if (!BeginDrawing())
        return;
    FlushPolyline();
    const QPointF topLeft = UserToPixel(currentX_, currentY_);
    if (!Drawable(topLeft))
        return;
    const LaidOutText& laidOut = LayOut(text);
    ApplyPen(CopyPen);   // text is never drawn in a raster mode
    if (!fontTransparent_)
        painter_.fillRect(QRectF(topLeft, QSizeF(laidOut.width, metrics_.height())), back_);
    painter_.drawStaticText(topLeft, laidOut.picture);
}

const PictureBox::LaidOutText& PictureBox::LayOut(const QString& text) const
{
    for (const LaidOutText& laidOut : texts_)
        if (laidOut.text == text)
            return laidOut;
    LaidOutText laidOut{text, QStaticText(text), metrics_.horizontalAdvance(text)};
    laidOut.picture.setTextFormat(Qt::PlainText);
    laidOut.picture.prepare(QTransform(), font());
    if (texts_.size() < TextCacheSize) {
        texts_.push_back(std::move(laidOut));
        return texts_.back();
    }
    nextEvicted_ = (nextEvicted_ + 1) % TextCacheSize;
    texts_[nextEvicted_] = std::move(laidOut);
    return texts_[nextEvicted_];
}

double PictureBox::TextWidth(const QString& text) const
{
    const double factor = CurrentMapping().xFactor;
    return factor != 0 ? LayOut(text).width / factor : 0.0;
}

double PictureBox::TextHeight(const QString& text) const
{
    const double factor = CurrentMapping().yFactor;
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    return factor != 0 ? lines * metrics_.height() / factor : 0.0;
}

void PictureBox::ZOrder(int position)
{
    if (position == 0)
        raise();
    else
        lower();
}

const QImage& PictureBox::Image()
{
    if (buffer_.size() != size())
        ResizeBuffer();
    EndFrame();
    return buffer_;
}

void PictureBox::Record(DrawOperation::Kind kind, double x1, double y1, double x2, double y2,
                        const QString& text)
{
    if (!recorder_)
        return;
    const bool clear = kind == DrawOperation::Kind::Cls;
    recorder_->push_back({kind, x1, y1, x2, y2, clear ? backColour_ : foreColour_, drawWidth_, drawStyle_,
                          kind == DrawOperation::Kind::Print ? int(CopyPen) : drawMode_, text});
}

// ---- events --------------------------------------------------------------------------------

void PictureBox::paintEvent(QPaintEvent* event)
{
    if (buffer_.size() != size())
        ResizeBuffer();
    EndFrame();
    QPainter screen(this);
    if (buffer_.isNull())
        return;
    screen.drawImage(event->rect(), buffer_, event->rect());
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (buffer_.size() != size())
        ResizeBuffer();
}

void PictureBox::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        metrics_ = QFontMetricsF(font());
        texts_.clear();
        if (painter_.isActive())
            painter_.setFont(font());
    }
}
