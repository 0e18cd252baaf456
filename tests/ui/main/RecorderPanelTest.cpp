#include "audio/clsWavFile.h"
#include "core/MainWindowValues.h"
#include "fakes/FakeFileDialogs.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeWavDisk.h"
#include "support/ScopedTestHome.h"
#include "ui/common/PictureBox.h"
#include "ui/main/PanelHub.h"
#include "ui/main/RecorderPanel.h"

#include <QLineEdit>
#include <QListWidget>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

enum { Record, Play, Pause, Stop, Next, Prev, Loop, Open, Save, Close };

// The recorder alone in a bare window, on the in-memory disk, with half-buffers of two
// blocks. The hub's requests are fakes: the power switch's selections are recorded, the
// block loop is busy when the test says so, and the presets frame lies where it says.
class RecorderPanelAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        hub.SelectPower = [this](int index) { powerSelections.push_back(index); };
        hub.BlockLoopBusy = [this] { return blockLoopBusy; };
        hub.PresetsFrameGeometry = [] { return PresetsFrame; };
        hub.PresetsBackColour = [] { return PresetsColour; };
        panel.CreateTrackPanel(&window);
        panel.CreateWavFile();
        panel.WavFile->init();
        panel.WavFile->RecBlockSizeInSamples(2 * 2048);
        panel.ConnectRecorder();
        window.resize(900, 400);
        window.show();
    }

    // Blocks of samples to the recorder as the block loop hands them on.
    void Blocks(int count)
    {
        std::vector<int16_t> block(2048, 1000);
        for (int n = 0; n < count; ++n)
            panel.WavFile->AddSamples(block.data(), static_cast<int32_t>(block.size()));
    }

    static constexpr QRect PresetsFrame{40, 30, 320, 120};
    static constexpr uint32_t PresetsColour = 0x402010;

    ScopedTestHome home;
    FakeWavDisk disk;
    FakeMessageBoxes boxes;
    FakeFileDialogs dialogs;
    QWidget window;
    PanelHub hub;
    RecorderPanel panel{&window, 0, hub};
    std::vector<int> powerSelections;
    bool blockLoopBusy = false;
};

TEST_F(RecorderPanelAlone, BuildsItsControlsAndOffersRecordAndOpenOnly)
{
    EXPECT_EQ(window.findChild<PictureBox*>("picRecorder"), panel.picRecorder);
    EXPECT_EQ(window.findChild<QLineEdit*>("txtRecordFileName"), panel.txtRecordFileName);
    EXPECT_EQ(window.findChild<QListWidget*>("lstRecordingLogs"), panel.lstRecordingLogs);
    EXPECT_EQ(panel.cmdWavCtls[Open]->toolTip(), "Load Wav File");
    EXPECT_EQ(panel.TransportPattern(), "1000000100");
    EXPECT_TRUE(panel.txtRecordFileName->isReadOnly());
    EXPECT_TRUE(panel.picRecorderTrackList->isHidden());
    EXPECT_EQ(panel.WavFile->LastDirectory, SaveRecordingsPath);
}

// Play switches the receiver on and Stop off, through the power switch: the panel never
// reaches the switch itself. Record and Pause leave the power alone.
TEST_F(RecorderPanelAlone, PlayAndStopAskThePowerSwitch)
{
    panel.cmdWavCtls_Click(Record);
    panel.cmdWavCtls_Click(Pause);
    EXPECT_TRUE(powerSelections.empty());
    panel.cmdWavCtls_Click(Stop);
    panel.cmdWavCtls_Click(Record);
    panel.cmdWavCtls_Click(Play);
    EXPECT_EQ(powerSelections, (std::vector<int>{1, 0}));
    EXPECT_EQ(panel.TransportPattern(), "0111000011");
}

// A write asked for while the block loop is busy waits for it (the timer comes again), and
// is done once the loop is free.
TEST_F(RecorderPanelAlone, DiskWorkWaitsWhileTheBlockLoopIsBusy)
{
    panel.cmdWavCtls_Click(Record);
    Blocks(2);
    ASSERT_TRUE(panel.tmrRecorderWrite.isActive());
    ASSERT_TRUE(panel.WavFile->BufferFull());
    blockLoopBusy = true;
    panel.tmrRecorderWrite_Timer();
    EXPECT_TRUE(panel.WavFile->BufferFull());
    EXPECT_TRUE(panel.tmrRecorderWrite.isActive());
    blockLoopBusy = false;
    panel.tmrRecorderWrite_Timer();
    EXPECT_FALSE(panel.WavFile->BufferFull());
    EXPECT_FALSE(panel.tmrRecorderWrite.isActive());
}

// Open shows the track panel over the presets frame the hub names, in its colour, even when
// no file was chosen; Close takes it away.
TEST_F(RecorderPanelAlone, TheTrackListCoversThePresetsFrame)
{
    panel.cmdWavCtls_Click(Open);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_FALSE(panel.picRecorderTrackList->isHidden());
    EXPECT_EQ(panel.picRecorderTrackList->geometry(), PresetsFrame);
    EXPECT_EQ(panel.picRecorderTrackList->BackColor(), PresetsColour);
    EXPECT_LE(panel.lstRecordingLogs->geometry().bottom(), PresetsFrame.height());
    EXPECT_EQ(panel.TransportPattern(), "1011111101") << "nothing to play";
    panel.cmdWavCtls_Click(Close);
    EXPECT_TRUE(panel.picRecorderTrackList->isHidden());
    EXPECT_EQ(panel.TransportPattern(), "1000000100");
}

}   // namespace
