#include "ui/scope/clsSpectrumAnalyser.h"

#include "core/DoEvents.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "ui/common/PictureBox.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t CentreLineColour = 0xC0C0;
constexpr uint32_t TraceGreen = 0xFF00;   // left as the fore colour: the phase trace is drawn in it
constexpr int HorizontalDivisions = 10;
constexpr double VerticalDivisions = 12.01;   // keeps the 13th line inside the right edge

// Runs visit(value) for value = from, from + step, ... while it has not passed to, each
// value computed from the count so that rounding cannot lose the last one. A step of 0
// visits nothing (it would never arrive).
template <typename Visit>
void ForStep(double from, double to, double step, Visit visit)
{
    if (step == 0 || !std::isfinite(step))
        return;
    const double tolerance = std::fabs(step) * 1E-9;
    for (int i = 0;; ++i) {
        const double value = from + i * step;
        if (step > 0 ? value > to + tolerance : value < to - tolerance)
            break;
        visit(value);
    }
}

// Pictures that are not formats: a number's plain text (its decimal form with a blank in
// front when it is not negative) and its shortest decimal form.
const char* const PlainPicture = "plain";
const char* const ShortestPicture = "shortest";

QString Formatted(double value, const char* picture)
{
    if (picture == ShortestPicture)
        return QString::fromStdString(Numeric::Str(value));
    if (picture == PlainPicture) {
        std::string text(value < 0 ? "" : " ");   // appended: g++ 12 warns falsely on " " + text
        text.append(Numeric::Str(value));
        return QString::fromStdString(text);
    }
    return QString::fromStdString(Format(value, picture));
}

// The pixels a text takes when printed with its top-left corner at (x, y), in the box's units.
QRectF TextBox(const PictureBox& pic, const QString& text, double x, double y)
{
    const QPointF topLeft = pic.UserToPixel(x, y);
    return {topLeft.x(), topLeft.y(), std::fabs(pic.UserWidthToPixels(pic.TextWidth(text))),
            std::fabs(pic.UserHeightToPixels(pic.TextHeight(text)))};
}

} // namespace

// Clears the box and draws the grid of 10 by 12 divisions with the centre line; in spectrum
// mode also the frequencies along the middle and, in the logarithmic display, the decibels
// below the top line down the centre.
int32_t clsSpectrumAnalyser::DrawGraticule(PictureBox& pic)
{
    pic.SetAutoRedraw(true);
    if (pic.BackColor() != static_cast<uint32_t>(scopeBackColour_))   // setting it clears the box too
        pic.SetBackColor(static_cast<uint32_t>(scopeBackColour_));
    pic.Cls();
    pic.SetForeColor(static_cast<uint32_t>(graticuleColour_));
    const double left = pic.ScaleLeft();
    const double top = pic.ScaleTop();
    const double width = pic.ScaleWidth();
    const double height = pic.ScaleHeight();
    ForStep(top + height, std::fabs(height), std::fabs(height) / HorizontalDivisions,
            [&](double y) { pic.Line(left, y, width, y); });
    DoEvents();
    if (ModeInUse() == ScopeModeEnum::Spectrum)
        DrawDecibelLabels(pic);
    ForStep(left, width - left, width / VerticalDivisions, [&](double x) { pic.Line(x, top, x, top + height); });
    pic.SetForeColor(CentreLineColour);
    pic.Line(width / 2, top, width / 2, top + height);
    DoEvents();
    if (ModeInUse() == ScopeModeEnum::Spectrum)
        DrawFrequencyLabels(pic);
    DoEvents();
    pic.SetForeColor(TraceGreen);
    pic.SetAutoRedraw(false);
    pic.ZOrder(0);
    return 0;
}

// Decibels relative to the top line; a gain of 0 counts as the smallest gain a user can set.
// Where the lines lie closer than a label's height only every n-th line (from the bottom)
// is numbered, and no number is written over the row of frequencies.
void clsSpectrumAnalyser::DrawDecibelLabels(PictureBox& pic)
{
    pic.SetForeColor(static_cast<uint32_t>(yTextColour_));
    pic.SetDrawMode(PictureBox::MaskNotPen);
    if (LogMode()) {
        const double top = pic.ScaleTop();
        const double height = pic.ScaleHeight();
        const double gain = Chn1Gain() == 0 ? 1E-6 : Chn1Gain();
        const QRectF frequencyRow = FrequencyRowPixels(pic);
        labelHeight_ = static_cast<float>(0.9 * Measured(pic, measuredTexts_[0], top, ShortestPicture).height);
        labelWidth_ = static_cast<float>(Measured(pic, measuredTexts_[1], 0, ShortestPicture).width);
        const double linePixels = std::fabs(pic.UserHeightToPixels(height / HorizontalDivisions));
        const double textPixels = std::fabs(pic.UserHeightToPixels(measuredTexts_[0].height));
        const int interval = linePixels > 0 ? std::max(1, static_cast<int>(std::ceil(textPixels / linePixels))) : 1;
        size_t line = 0;
        ForStep(top + height, std::fabs(height), std::fabs(height) / HorizontalDivisions, [&](double y) {
            if (line == decibelLabels_.size())
                return;
            const size_t index = line++;
            const double x = pic.ScaleWidth() / 2 + 2 * labelWidth_;
            const QString& text = Text(decibelLabels_[index], 20 * (y - top) / gain, "#");
            const bool skipped = index % static_cast<size_t>(interval) != 0;
            if (skipped || TextBox(pic, text, x, y - labelHeight_).intersects(frequencyRow))
                return;
            pic.SetCurrentY(y - labelHeight_);
            pic.SetCurrentX(x);
            pic.Print(text);
        });
    }
    pic.SetDrawMode(PictureBox::CopyPen);
    pic.SetForeColor(static_cast<uint32_t>(graticuleColour_));
}

// The value whose text gives a typical frequency label's size: 3.3 on the audio axis, the
// offset's ten-thousandth on the received-frequency axis.
double clsSpectrumAnalyser::FrequencyProbe() const { return fOffset_ == 0 ? 3.3 : fOffset_ / 10000.0; }

// The top of the row of frequencies: on the middle line in the logarithmic display, near
// the bottom in the linear one.
double clsSpectrumAnalyser::FrequencyRowY(const PictureBox& pic, double labelHeight) const
{
    const double height = pic.ScaleHeight();
    return LogMode() ? -height / 2 - labelHeight : -height / 32 - labelHeight / 2.0;
}

// The band of pixels the row of frequencies takes, across the whole box.
QRectF clsSpectrumAnalyser::FrequencyRowPixels(PictureBox& pic)
{
    const double labelHeight = Measured(pic, measuredTexts_[2], FrequencyProbe(), PlainPicture).height;
    const double top = pic.UserToPixel(0, FrequencyRowY(pic, labelHeight)).y();
    return {0.0, top, static_cast<double>(pic.width()), std::fabs(pic.UserHeightToPixels(labelHeight))};
}

// Thirteen frequencies in kilohertz, the first for StopBin at the edge where the traces
// put it; whole kilohertz on the received-frequency axis, tenths on the audio axis. Each is
// centred on its place and kept inside the box; where neighbours would touch, only every
// second (third, fourth, sixth, twelfth) one is written.
void clsSpectrumAnalyser::DrawFrequencyLabels(PictureBox& pic)
{
    pic.SetCurrentY(0);
    pic.SetCurrentX(0);
    pic.SetForeColor(static_cast<uint32_t>(xTextColour_));
    const char* picture = fOffset_ == 0 ? "# ###.0" : "# ###";
    const double probe = FrequencyProbe();
    labelHeight_ = static_cast<float>(Measured(pic, measuredTexts_[2], probe, PlainPicture).height);
    labelWidth_ = static_cast<float>(
        Measured(pic, measuredTexts_[fOffset_ == 0 ? 2 : 3], probe, fOffset_ == 0 ? PlainPicture : picture).width);
    const double left = pic.ScaleLeft();
    const double width = pic.ScaleWidth();
    const double y = FrequencyRowY(pic, labelHeight_);
    int32_t bin = StopBin;
    int32_t binStep = 0;
    TryStep([&] { binStep = Numeric::CLng((static_cast<double>(StopBin) - StartBin) / 12); });
    const double labelStep = std::fabs((width - 1) / 12);
    size_t placed = 0;
    auto place = [&](double x) {
        if (placed == frequencyLabels_.size())   // a narrow scale would fit more
            return;
        const size_t index = placed++;
        TryStep([&] {
            const QString& text = Text(frequencyLabels_[index], LabelFrequency(bin) / 1000, picture);
            const double textWidth = pic.TextWidth(text);
            const double rightmost = std::max(left, left + width - textWidth);
            frequencyLabelLeft_[index] = std::clamp(x - textWidth / 2.0, left, rightmost);
        });
        // Only the I/Q view read from the left counts bins upwards.
        bin = (!reverseSpectrum_ && iqMode_) ? bin + binStep : bin - binStep;
    };
    if (reverseSpectrum_)
        ForStep(width, 0, -labelStep, place);
    else
        ForStep(0, width, labelStep, place);
    const int interval = FrequencyLabelInterval(pic, y, placed);
    pic.SetCurrentY(y);
    for (size_t index = 0; index < placed; index += static_cast<size_t>(interval)) {
        pic.SetCurrentX(frequencyLabelLeft_[index]);
        TryStep([&] { pic.Print(frequencyLabels_[index].text, false); });
        pic.SetCurrentY(y);
    }
}

// The smallest spacing of the first count frequency labels at which no two written ones
// touch, with a small gap between them.
int clsSpectrumAnalyser::FrequencyLabelInterval(const PictureBox& pic, double y, size_t count) const
{
    const double gap = std::fabs(pic.UserWidthToPixels(labelWidth_)) / 8;
    for (const int interval : {1, 2, 3, 4, 6}) {
        bool clear = true;
        const QRectF* previous = nullptr;
        QRectF boxes[2];
        for (size_t index = 0; clear && index < count; index += static_cast<size_t>(interval)) {
            QRectF& box = boxes[(index / static_cast<size_t>(interval)) % 2];
            box = TextBox(pic, frequencyLabels_[index].text, frequencyLabelLeft_[index], y);
            if (previous && box.adjusted(-gap, 0, gap, 0).intersects(*previous))
                clear = false;
            previous = &box;
        }
        if (clear)
            return interval;
    }
    return 12;
}

// The frequency in hertz at a bin, for the orientation and the kind of receiver.
double clsSpectrumAnalyser::LabelFrequency(int32_t bin) const
{
    const double hzPerBin = hzPerBin_;
    if (!iqMode_) {
        const double f = std::floor(hzPerBin * bin + 0.5);
        return reverseSpectrum_ ? fOffset_ + f : fOffset_ + static_cast<double>(SpectrumWidth) - f;
    }
    const double f = std::floor(2 * hzPerBin * bin + 0.5);
    return reverseSpectrum_ ? fOffset_ + static_cast<double>(SpectrumWidth) + f
                            : fOffset_ - 2.0 * SpectrumWidth + f;
}

// The traces put StartBin at the left when reversed, StopBin otherwise (counting down to the
// right, or up in the I/Q view); the frequency between bins is the labels' one, unrounded.
double clsSpectrumAnalyser::FrequencyAt(double X) const
{
    const double hzPerBin = hzPerBin_;
    const double scaleWidth = picDisplay0_ ? picDisplay0_->ScaleWidth() : 0;
    if (scaleWidth != 0)
        X *= (static_cast<double>(StopBin) - StartBin) / scaleWidth;   // in bins
    if (reverseSpectrum_) {
        const double bin = StartBin + X;
        return iqMode_ ? fOffset_ + static_cast<double>(SpectrumWidth) + 2 * hzPerBin * bin : fOffset_ + hzPerBin * bin;
    }
    if (iqMode_)
        return fOffset_ - 2.0 * SpectrumWidth + 2 * hzPerBin * (StopBin + X);
    return fOffset_ + static_cast<double>(SpectrumWidth) - hzPerBin * (StopBin - X);
}

const QString& clsSpectrumAnalyser::Text(LabelText& label, double value, const char* picture)
{
    if (label.picture != picture || !(label.value == value)) {
        label.text = Formatted(value, picture);
        label.value = value;
        label.picture = picture;
        label.measured = false;
    }
    return label.text;
}

const clsSpectrumAnalyser::LabelText& clsSpectrumAnalyser::Measured(PictureBox& pic, LabelText& label, double value,
                                                                    const char* picture)
{
    Text(label, value, picture);
    if (!label.measured) {
        label.width = pic.TextWidth(label.text);
        label.height = pic.TextHeight(label.text);
        label.measured = true;
    }
    return label;
}
