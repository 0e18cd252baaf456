#include "ui/scope/clsSpectrumAnalyser.h"

#include "core/BusyGuard.h"
#include "ui/common/FormUnits.h"
#include "ui/common/PictureBox.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t AxesForeColour = 0xCF00;
constexpr double BoxLeft = 30;     // in the container's units
constexpr double BoxTop = 180;
constexpr double BoxBottomGap = 50;

// The units of the box's container: its own user scale when it is a picture box, twips
// otherwise.
struct ContainerUnits
{
    double pixelsPerUnitX = 1.0 / FormUnits::TwipsPerPixel;
    double pixelsPerUnitY = 1.0 / FormUnits::TwipsPerPixel;
    double scaleHeight = 0;
};

ContainerUnits UnitsOf(const QWidget* container)
{
    ContainerUnits units;
    if (const auto* box = qobject_cast<const PictureBox*>(container)) {
        units.pixelsPerUnitX = std::fabs(box->UserWidthToPixels(1));
        units.pixelsPerUnitY = std::fabs(box->UserHeightToPixels(1));
        units.scaleHeight = box->ScaleHeight();
    } else if (container) {
        units.scaleHeight = FormUnits::PixelsToTwips(container->height());
    }
    return units;
}

} // namespace

// Prepares both boxes for the current mode: colours, font, the user scale in which the
// graticule and the traces are drawn (X in bins or samples from the left, Y upwards in
// display units), their place in the container and a fresh graticule; the first box on show.
int32_t clsSpectrumAnalyser::SetupAxes()
{
    if (initialising_ || setupAxesBusy_)
        return 0;
    BusyGuard busy(setupAxesBusy_);
    if (!Initialised)
        init();
    if (!picDisplay0_ || !picDisplay1_)
        return 0;
    PictureBox& first = *picDisplay0_;
    PictureBox& second = *picDisplay1_;
    first.SetBackColor(0);
    QFont font = first.font();
    font.setFamily("Tahoma");
    font.setPointSize(7);
    first.setFont(font);
    first.SetForeColor(AxesForeColour);
    SetScale(first);
    for (LabelText& label : measuredTexts_)   // their sizes are in the new scale and font
        label.measured = false;

    const ContainerUnits units = UnitsOf(first.parentWidget());
    const double height = std::max(0.0, units.scaleHeight - BoxTop - BoxBottomGap);
    first.setGeometry(static_cast<int>(std::lround(BoxLeft * units.pixelsPerUnitX)),
                      static_cast<int>(std::lround(BoxTop * units.pixelsPerUnitY)), first.width(),
                      static_cast<int>(std::lround(height * units.pixelsPerUnitY)));
    CopyPicture(first, second);

    DrawGraticule(first);
    DrawGraticule(second);
    DisplayWidth = static_cast<float>(first.width() / units.pixelsPerUnitX);
    first.setVisible(true);
    first.ZOrder(0);
    second.setVisible(false);
    drawOnDisplay1_ = false;
    return 0;
}

// The phase display gives X the same length per unit as Y; a box without height keeps
// its X scale.
void clsSpectrumAnalyser::SetScale(PictureBox& pic)
{
    const int32_t shown = StopBin - StartBin;
    if (shown <= 0) {
        pic.SetScaleWidth(100);
        return;
    }
    if (ModeInUse() != ScopeModeEnum::Phase) {
        pic.SetScaleLeft(0);
        pic.SetScaleWidth(shown);
        pic.SetScaleTop(YScaleMax());
        pic.SetScaleHeight(-YScaleRange());
        return;
    }
    pic.SetScaleTop(YScaleMax());
    pic.SetScaleHeight(-YScaleRange());
    if (pic.height() <= 0)
        return;
    const double aspect = static_cast<double>(pic.width()) / pic.height();
    pic.SetScaleLeft(-YScaleMax() * aspect);
    pic.SetScaleWidth(YScaleRange() * aspect);
}

void clsSpectrumAnalyser::CopyPicture(const PictureBox& from, PictureBox& to)
{
    to.SetBackColor(from.BackColor());
    to.setGeometry(from.geometry());
    to.setFont(from.font());
    to.SetScaleHeight(from.ScaleHeight());
    to.SetScaleLeft(from.ScaleLeft());
    to.SetScaleTop(from.ScaleTop());
    to.SetScaleWidth(from.ScaleWidth());
    to.SetScaleMode(from.ScaleMode());
}
