#include "ui/main/frmMain.h"

#include "core/NumberFormat.h"
#include "dsp/QELVO.h"
#include "ui/common/FormControls.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int SegmentTop = 10;   // twips

} // namespace

// Lays the 15 segments out along the top of the meter picture and prints the scale under
// them into its persistent image: S1 to S9, then +6 to 36 dB over S9 (labels beyond the
// right edge are not seen); then all segments dark.
void frmMain::DrawSMeter()
{
    PictureBox* meter = picSmeter[2];
    meter->Cls();
    meter->show();
    meter->SetForeColor(0xFFFFFF);
    meter->SetBackColor(0x000000);
    meter->SetFontTransparent(true);
    QFont small = meter->font();
    small.setPointSize(7);
    meter->setFont(small);
    meter->SetDrawMode(PictureBox::CopyPen);
    meter->SetDrawStyle(PictureBox::Solid);
    meter->setToolTip(QString::fromStdString("Meter Backoff=" + Format(20.0 * QELVO::Log10(NoiseFloor), "#0.00 dB")));

    const int32_t last = shpSMeterTick.UBound();
    const double width = meter->ScaleWidth();
    const double segmentWidth = width / (last + 1);
    const double segmentHeight = std::abs(meter->ScaleHeight()) * 3.0 / 7.0;
    for (int32_t segment = 0; segment <= last; ++segment)
        FormControls::Place(shpSMeterTick[segment], static_cast<int>(std::floor(segment * segmentWidth + 0.5)),
                            SegmentTop, static_cast<int>(segmentWidth), static_cast<int>(segmentHeight));
    // The numbers stand under the segments (a pixel apart), so that a lit one never covers them.
    const double segmentsBottom = shpSMeterTick[0]->geometry().bottom() + 2;
    const double numbersTop = std::min(meter->PixelToUser(QPointF(0, segmentsBottom)).y(),
                                       std::abs(meter->ScaleHeight()) - std::abs(meter->TextHeight("0")));

    const double pitch = std::floor(segmentWidth + 0.5);
    meter->SetAutoRedraw(true);
    meter->Cls();
    meter->SetCurrentX(0);
    double x = 0;
    double power = 2;   // 2 to the power k: 20 log10 of it less 54 is the level over S9
    for (int32_t k = 1; k <= last + 3; ++k) {
        const double overS9 = 20.0 * QELVO::Log10(power) - 54.0;
        const QString text = QString::fromStdString(k < 10 ? Format(k, "#") : Format(overS9, k == 10 ? "+#" : "#"));
        meter->SetCurrentY(numbersTop);
        meter->SetCurrentX((pitch - meter->TextWidth(text)) / 2 + x);
        meter->Print(text);
        power *= 2;
        x += pitch;
    }
    meter->SetAutoRedraw(false);
    UpdateSMeterBar(0.0f);
}
