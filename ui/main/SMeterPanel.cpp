#include "ui/main/SMeterPanel.h"

#include "core/BusyGuard.h"
#include "core/NumberFormat.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveState.h"
#include "dsp/VectorLib.h"
#include "ui/common/ClickRule.h"
#include "ui/common/FormControls.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"

#include <QPushButton>

#include <algorithm>
#include <cmath>

using namespace PanelBuilder;

namespace {

constexpr int SegmentTop = 10;   // twips
constexpr int Segments = 15;
constexpr int32_t PowerRingBlocks = 234;   // ten seconds of blocks

constexpr uint32_t Black = 0x000000;
constexpr uint32_t Green = 0x00C000;
constexpr uint32_t Yellow = 0x00FFFF;
constexpr uint32_t Red = 0x0000FF;

} // namespace

// The bar between the two strips of grid ticks, each tick on a boundary between segments.
SMeterPanel::SMeterPanel(QWidget* container, Place meter, Place zeroButton)
{
    Picture = Make<PictureBox>(container, "Picture", meter);
    Picture->SetBackColor(Black);
    picSmeter = ControlArray<PictureBox>(Picture, "picSmeter", 3);
    FormControls::Place(picSmeter[0], 60, 30, 3180, 90);
    FormControls::Place(picSmeter[2], 60, 120, 3180, 510);
    FormControls::Place(picSmeter[1], 60, 630, 3180, 90);
    constexpr int pitch = 3180 / Segments;
    shpSMeterGrid = ControlArray<Shape>(picSmeter[0], "shpSMeterGrid", 2 * (Segments - 1));
    for (int tick = 0; tick < 2 * (Segments - 1); ++tick) {
        Shape* grid = shpSMeterGrid[tick];
        if (tick >= Segments - 1)
            grid->setParent(picSmeter[1]);
        grid->SetBorderColor(0x808080);
        const int boundary = (tick % (Segments - 1) + 1) * pitch;
        FormControls::Place(grid, boundary - 8, 0, 15, 90);
    }
    shpSMeterTick = ControlArray<Shape>(picSmeter[2], "shpSMeterTick", Segments);
    for (int segment = 0; segment < Segments; ++segment) {
        Shape* tick = shpSMeterTick[segment];
        tick->SetFillStyle(0);
        tick->SetFillColor(segment < 9 ? Green : segment < 12 ? Yellow : Red);
        tick->SetBorderColor(Black);
    }
    for (PictureBox* picture : picSmeter)
        picture->SetBackColor(Black);
    picSmeter[2]->setToolTip("Meter Backoff=0.00 dB");

    cmdCalibrateSMeter = MakeCommand(container, "cmdCalibrateSMeter", "ZeroS", "", zeroButton);
    ClickRule::Connect(cmdCalibrateSMeter, [this] { cmdCalibrateSMeter_Click(); });
}

// The next deferred run takes the level of the last ten seconds as the zero point.
void SMeterPanel::cmdCalibrateSMeter_Click() { SMeterZeroRequested = true; }

void SMeterPanel::ShowBackoff()
{
    const std::string backoff = Format(20.0 * QELVO::Log10(NoiseFloor), "#0.00 dB");
    picSmeter[2]->setToolTip(QString::fromStdString("Meter Backoff=" + backoff));
}

// Lays the 15 segments out along the top of the meter picture and prints the scale under
// them into its persistent image: S1 to S9, then +6 to 36 dB over S9 (labels beyond the
// right edge are not seen); then all segments dark.
void SMeterPanel::DrawSMeter()
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
    ShowBackoff();

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

void SMeterPanel::ApplyColours()
{
    picSmeter[0]->SetBackColor(Black);
    picSmeter[1]->SetBackColor(picSmeter[0]->BackColor());
    picSmeter[2]->SetBackColor(picSmeter[0]->BackColor());
    DrawSMeter();
}

// The mean RMS of the last four blocks above the zero point. A zero request takes the
// RMS of the last ten seconds as the new zero point.
void SMeterPanel::ShowSMeter()
{
    float level = VectorLib::Sum_S_1(SMeterRing.data(), static_cast<int32_t>(SMeterRing.size())) / 4.0f;
    if (SMeterZeroRequested) {
        SMeterZeroRequested = false;
        const float power = VectorLib::Sum_S_1(BlockPowerRing.data(), PowerRingBlocks);
        NoiseFloor = std::sqrt(power / (static_cast<float>(PowerRingBlocks) * BlockSize));
        ShowBackoff();
    }
    level -= NoiseFloor;
    if (level < 0.0f)
        level = 0.0f;
    UpdateSMeterBar(level);
}

// Lights one segment per 6 dB of level: segments 0 to S for S six-decibel steps, none
// below 6 dB, all 15 from 84 dB. Nothing while the window is minimised.
void SMeterPanel::UpdateSMeterBar(float level)
{
    if (sMeterBarBusy_ || Picture->window()->isMinimized())
        return;
    BusyGuard busy(sMeterBarBusy_);
    const double dB = 20.0 * QELVO::Log10(level);
    const int32_t lit = std::clamp(static_cast<int32_t>(std::floor(dB)) / 6, 0, shpSMeterTick.UBound());
    for (int32_t segment = 0; segment <= shpSMeterTick.UBound(); ++segment)
        shpSMeterTick[segment]->setVisible(lit >= 1 && segment <= lit);
}
