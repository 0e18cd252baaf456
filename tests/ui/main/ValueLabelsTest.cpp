#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "ui/common/FormControls.h"
#include "ui/common/Label.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/ValueLabels.h"

#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr uint32_t Focus = 0x0000FF;
constexpr uint32_t Normal = 0x00FF00;

// The value labels alone: three labels of a bare window bound to their records, a hub that
// records what the value labels ask of the panels.
class ValueLabelsAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ReceiveDefaults::FillFilterTable("");
        ReceiveDefaults::FillIFFilterTable("");
        FilterMode = 0;
        FocusedLabelID = 0;
        for (int16_t id : {lblNBIndex, lblNotchCIndex, lblBFOIndex}) {
            ScrollLabelRecord& record = ScrollLabels[static_cast<size_t>(id)];
            record = ScrollLabelRecord{};
            record.ID = id;
            record.Min = 0, record.Max = 100, record.Value = 50, record.Default = 20;
            record.Step = 1, record.ShiftStep = 10, record.CtrlStep = 0.5f;
            record.FocusColour = static_cast<int32_t>(Focus);
            record.NormalColour = static_cast<int32_t>(Normal);
            auto* label = new Label(&window);
            binding.Bind(id, label);
            FormControls::SetForeColour(label, Normal);
        }
        ScrollLabels[lblNotchCIndex].Disabled = true;
        hub.TakeKeyboardFocus = [this] { ++keyboardFocusRequests; };
        hub.SetNoiseReducerSlider = [this](int32_t value) { sliderValues.push_back(value); };
    }
    void TearDown() override
    {
        for (int16_t id : {lblNBIndex, lblNotchCIndex, lblBFOIndex})
            ScrollLabels[static_cast<size_t>(id)] = ScrollLabelRecord{};
        FocusedLabelID = 0;
    }

    static uint32_t Colour(int16_t id)
    {
        return FormControls::ForeColour(ScrollLabels[static_cast<size_t>(id)].Label);
    }

    QWidget window;
    ScrollLabelBinding binding;
    PanelHub hub;
    int keyboardFocusRequests = 0;
    std::vector<int32_t> sliderValues;
    std::unique_ptr<ValueLabels> labels = std::make_unique<ValueLabels>(hub);
};

// Hovering lights a label and sends the keys to the frequency display; a disabled label is
// passed over; lowlighting returns the label to its normal colour and drops the focus.
TEST_F(ValueLabelsAlone, TheFocusedLabelIsLitAndTheKeysGoToTheDisplay)
{
    labels->HiLiteScrollLabel(lblNBIndex);
    EXPECT_EQ(FocusedLabelID, lblNBIndex);
    EXPECT_EQ(Colour(lblNBIndex), Focus);
    EXPECT_EQ(keyboardFocusRequests, 1);

    labels->HiLiteScrollLabel(lblNotchCIndex);
    EXPECT_EQ(FocusedLabelID, lblNBIndex) << "a disabled label takes no focus";
    EXPECT_EQ(keyboardFocusRequests, 1);

    labels->LoLiteScrollLabel(lblNBIndex);
    EXPECT_EQ(FocusedLabelID, 0);
    EXPECT_EQ(Colour(lblNBIndex), Normal);
}

// Up steps the focused label (Shift by its large step, held at the maximum), Space restores
// its default, Left moves the focus down, and with the frequency display focused the keys
// leave every label alone.
TEST_F(ValueLabelsAlone, TheKeysStepTheFocusedLabelAndMoveTheFocus)
{
    ScrollLabelRecord& noise = ScrollLabels[lblNBIndex];
    FocusedLabelID = lblNBIndex;
    labels->Form_KeyDown(Qt::Key_Up, 0);
    EXPECT_EQ(noise.Value, 51.0f);
    for (int press = 0; press < 10; ++press)
        labels->Form_KeyDown(Qt::Key_Up, 1);
    EXPECT_EQ(noise.Value, 100.0f);
    labels->Form_KeyDown(Qt::Key_Space, 0);
    EXPECT_EQ(noise.Value, 20.0f);

    labels->Form_KeyDown(Qt::Key_Left, 0);
    EXPECT_EQ(FocusedLabelID, lblNBIndex - 1);

    FocusedLabelID = 1;
    labels->Form_KeyDown(Qt::Key_Down, 0);
    EXPECT_EQ(noise.Value, 20.0f);
    EXPECT_EQ(FocusedLabelID, 1);
}

// The right button resets a label to its default; the noise reducer's slider is asked to
// follow.
TEST_F(ValueLabelsAlone, TheRightButtonRestoresTheDefaultAndMovesTheNoiseReducersSlider)
{
    labels->ScrollLabel_MouseDown(lblNBIndex, 2);
    EXPECT_EQ(ScrollLabels[lblNBIndex].Value, 20.0f);
    EXPECT_EQ(sliderValues, (std::vector<int32_t>{20}));
    labels->ScrollLabel_MouseDown(lblNBIndex, 1);
    EXPECT_EQ(sliderValues.size(), 1u) << "the left button resets nothing";
}

// The records outlive the value labels: once they go, no record keeps a label.
TEST_F(ValueLabelsAlone, GoingAwayLeavesNoLabelInTheRecords)
{
    labels.reset();
    for (int16_t id : {lblNBIndex, lblNotchCIndex, lblBFOIndex})
        EXPECT_EQ(ScrollLabels[static_cast<size_t>(id)].Label, nullptr) << id;
}

} // namespace
