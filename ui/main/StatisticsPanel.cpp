#include "ui/main/StatisticsPanel.h"

#include "core/NumberFormat.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveState.h"
#include "dsp/VectorLib.h"
#include "radio/HardwareObjects.h"
#include "ui/common/ClickRule.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"

#include <QCheckBox>

#include <unistd.h>

using namespace PanelBuilder;

namespace {

// Window colours, red in the lowest byte.
constexpr int32_t Yellow = 0x00FFFF;
constexpr int32_t Green = 0x00FF00;
constexpr int32_t Red = 0x0000FF;

// The rows: 6, 7 and 8 are spare.
enum Row { PeakIn = 0, PeakOut = 1, Gain = 2, Oscillator = 3, Load = 4, Time = 5, Spare = 6, Thread = 9 };

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A block peak and its level below full scale.
std::string PeakText(float peak)
{
    return Format(peak, "##,##0  ") + Format(20.0 * QELVO::Log10(peak / 32767.0), "###,##0 dB");
}

float MeanPeak(const std::array<int16_t, 48>& ring)
{
    return static_cast<float>(VectorLib::Sum_Int16_1(ring.data(), StatsRingLength)) /
           static_cast<float>(StatsRingLength);
}

} // namespace

StatisticsPanel::StatisticsPanel(QWidget* container, Place place)
{
    frStats = MakeFrame(container, "frStats", "Statistics", place);
    chkPerfStatsOn = MakeCheck(frStats, "chkPerfStatsOn", "On", "Click  Turn on Radio Stats", {120, 210, 900, 240});
    const char* captions[] = {"Peak In", "Peak Out", "AGC Gain", "LO", "DSP Load", "DSP Time", "", "", "", "Thread"};
    lblStats = ControlArray<Label>(frStats, "lblStats", 10);
    lblStatsVal = ControlArray<Label>(frStats, "lblStatsVal", 10);
    for (int row = 0; row < 10; ++row) {
        const int top = 510 + row * 234;
        lblStats[row]->setText(captions[row]);
        FormControls::Place(lblStats[row], 120, top, 720, 195);
        FormControls::Place(lblStatsVal[row], 840, top, 1365, 195);
        lblStatsVal[row]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    ClickRule::Connect(chkPerfStatsOn, [this] { chkPerfStatsOn_Click(); });
}

void StatisticsPanel::chkPerfStatsOn_Click() { PerfStatsOn = chkPerfStatsOn->isChecked(); }

void StatisticsPanel::ShowPerfStatsOn() { chkPerfStatsOn->setChecked(PerfStatsOn); }

void StatisticsPanel::ShowStatistics()
{
    if (frStats->window()->isMinimized() || !PerfStatsOn)
        return;
    const float peakIn = MeanPeak(InPeakRing);
    lblStatsVal[PeakIn]->setText(Text(PeakText(peakIn)));
    ShowValueColour(PeakIn, peakIn < 2048.0f ? Yellow : peakIn <= 16383.0f ? Green : Red);
    lblStatsVal[PeakOut]->setText(Text(PeakText(MeanPeak(OutPeakRing))));
    lblStatsVal[Gain]->setText(
        Text(Format(AGCGain, "#0.00  ") + Format(20.0 * QELVO::Log10(AGCGain), "#0.0 dB")));

    const float microseconds = static_cast<float>(VectorLib::Sum_Int32_1(DSPTimeRing.data(), StatsRingLength)) /
                               static_cast<float>(StatsRingLength);
    const float load = microseconds / 1000000.0f / BlockPeriod;
    lblStatsVal[Load]->setText(Text(Format(load, "#0%")));
    lblStatsVal[Time]->setText(Text(Format(microseconds, "#,##0 uS")));
    const float margin = LoadYieldThreshold - load;
    const int32_t colour = margin > 0.2f ? Green : margin > 0.0f ? Yellow : Red;
    ShowValueColour(Load, colour);
    ShowValueColour(Time, colour);
}

void StatisticsPanel::ApplyColours()
{
    for (size_t row = 0; row < valueColours_.size(); ++row)
        if (valueColours_[row])
            FormControls::SetForeColour(lblStatsVal[static_cast<int>(row)], static_cast<uint32_t>(*valueColours_[row]));
}

void StatisticsPanel::ShowValueColour(int row, int32_t colour)
{
    valueColours_[static_cast<size_t>(row)] = colour;
    FormControls::SetForeColour(lblStatsVal[row], static_cast<uint32_t>(colour));
}

// Runs after every block: the text is made again only when the frequency has changed.
void StatisticsPanel::ShowOscillator()
{
    if (!VFO || VFO->OscOut() == shownOscOut_)
        return;
    shownOscOut_ = VFO->OscOut();
    lblStatsVal[Oscillator]->setText(Text(Format(*shownOscOut_ / 10.0, "#0 000 000 Hz")));
}

void StatisticsPanel::HideSpareRow() { lblStatsVal[Spare]->hide(); }

void StatisticsPanel::ShowWindowThread() { lblStatsVal[Thread]->setText(QString::number(gettid())); }
