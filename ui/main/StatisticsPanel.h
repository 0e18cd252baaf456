#pragma once

#include "ui/common/ControlArray.h"
#include "ui/main/PanelBuilder.h"

#include <array>
#include <cstdint>
#include <optional>

class Frame;
class Label;
class QCheckBox;
class QWidget;

// The statistics frame: the block peaks before and after processing, the AGC gain, the
// oscillator's output, the receive chain's load and time per block, and the window's thread.
// Its switch keeps the receive state's statistics rings (PerfStatsOn), which the block loop
// fills and this panel reads; it touches nothing else of the window.
class StatisticsPanel
{
public:
    // Builds the frame and its controls in container, the frame at place (twips).
    StatisticsPanel(QWidget* container, PanelBuilder::Place place);
    StatisticsPanel(const StatisticsPanel&) = delete;
    StatisticsPanel& operator=(const StatisticsPanel&) = delete;

    void chkPerfStatsOn_Click();
    // The switch shows the receive state's choice (as restored, or as a display size set it).
    void ShowPerfStatsOn();

    // The rings' means, while the switch is on and the window is not minimised.
    void ShowStatistics();
    // The oscillator's output frequency, once there is an oscillator.
    void ShowOscillator();
    // The values that tell how good they are in their colours again, after the colour
    // scheme went over every control.
    void ApplyColours();
    // The start-up's part: a spare row hidden, the thread the window runs on shown.
    void HideSpareRow();
    void ShowWindowThread();

    Frame* frStats = nullptr;
    QCheckBox* chkPerfStatsOn = nullptr;
    ControlArray<Label> lblStats;
    ControlArray<Label> lblStatsVal;

private:
    void ShowValueColour(int row, int32_t colour);

    std::optional<int32_t> shownOscOut_;   // the oscillator output the LO row shows
    std::array<std::optional<int32_t>, 10> valueColours_;   // each value's colour as last shown, by row
};
