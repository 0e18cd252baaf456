#include "ui/scope/clsSpectrumAnalyser.h"

#include "core/DoEvents.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "ui/common/PictureBox.h"

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
void clsSpectrumAnalyser::DrawDecibelLabels(PictureBox& pic)
{
    pic.SetForeColor(static_cast<uint32_t>(yTextColour_));
    pic.SetDrawMode(PictureBox::MaskNotPen);
    if (LogMode()) {
        const double top = pic.ScaleTop();
        const double height = pic.ScaleHeight();
        const double gain = Chn1Gain() == 0 ? 1E-6 : Chn1Gain();
        labelHeight_ = static_cast<float>(0.9 * Measured(pic, measuredTexts_[0], top, ShortestPicture).height);
        labelWidth_ = static_cast<float>(Measured(pic, measuredTexts_[1], 0, ShortestPicture).width);
        size_t line = 0;
        ForStep(top + height, std::fabs(height), std::fabs(height) / HorizontalDivisions, [&](double y) {
            if (line == decibelLabels_.size())
                return;
            pic.SetCurrentY(y - labelHeight_);
            pic.SetCurrentX(pic.ScaleWidth() / 2 + 2 * labelWidth_);
            pic.Print(Text(decibelLabels_[line++], 20 * (y - top) / gain, "#"));
        });
    }
    pic.SetDrawMode(PictureBox::CopyPen);
    pic.SetForeColor(static_cast<uint32_t>(graticuleColour_));
}

// Thirteen frequencies in kilohertz, the first for StopBin at the edge where the traces
// put it; whole kilohertz on the received-frequency axis, tenths on the audio axis.
void clsSpectrumAnalyser::DrawFrequencyLabels(PictureBox& pic)
{
    pic.SetCurrentY(0);
    pic.SetCurrentX(0);
    pic.SetForeColor(static_cast<uint32_t>(xTextColour_));
    const char* picture = fOffset_ == 0 ? "# ###.0" : "# ###";
    // The size of a typical label: of 3.3 on the audio axis, of the offset's ten-thousandth
    // (in its label's picture for the width) on the received-frequency axis.
    const double probe = fOffset_ == 0 ? 3.3 : fOffset_ / 10000.0;
    labelHeight_ = static_cast<float>(Measured(pic, measuredTexts_[2], probe, PlainPicture).height);
    labelWidth_ = static_cast<float>(
        Measured(pic, measuredTexts_[fOffset_ == 0 ? 2 : 3], probe, fOffset_ == 0 ? PlainPicture : picture).width);
    const double width = pic.ScaleWidth();
    const double height = pic.ScaleHeight();
    pic.SetCurrentY(LogMode() ? -height / 2 - labelHeight_ : -height / 32 - labelHeight_ / 2.0);
    int32_t bin = StopBin;
    int32_t binStep = 0;
    TryStep([&] { binStep = Numeric::CLng((static_cast<double>(StopBin) - StartBin) / 12); });
    const double labelStep = std::fabs((width - 1) / 12);
    size_t printed = 0;
    auto label = [&](double x) {
        if (printed == frequencyLabels_.size())   // a narrow scale would fit more
            return;
        pic.SetCurrentX(x - labelWidth_ / 2.0);
        LabelText& text = frequencyLabels_[printed++];
        TryStep([&] { pic.Print(Text(text, LabelFrequency(bin) / 1000, picture), false); });
        // Only the I/Q view read from the left counts bins upwards.
        bin = (!reverseSpectrum_ && iqMode_) ? bin + binStep : bin - binStep;
    };
    if (reverseSpectrum_)
        ForStep(width, 0, -labelStep, label);
    else
        ForStep(0, width, labelStep, label);
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
