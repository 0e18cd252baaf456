#include "core/modIsProcessRunning.h"
#include "core/modVBTricks.h"
#include "fakes/FakeProcessList.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

RunningProcess Process(int64_t id, std::vector<std::string> names) { return {id, std::move(names)}; }

class DecoderClosing : public ::testing::Test
{
protected:
    ~DecoderClosing() override
    {
        modIsProcessRunning::DecoderProcessId = 0;
        modIsProcessRunning::DecoderWindows.clear();
    }
    FakeProcessList processes;
};

} // namespace

TEST(modIsProcessRunning, FindsTheDecoderByNameWhateverTheCaseAndExtension)
{
    FakeProcessList processes;
    processes.Processes = std::vector<RunningProcess>{Process(1, {"systemd"}), Process(2, {"dreamer"}),
                                                      Process(3, {"DREAM.exe.bak"})};
    EXPECT_EQ(modIsProcessRunning::IsProcessRunning("DREAM.exe"), 0);

    for (const std::string& name : {"DREAM.EXE"s, "dream"s, "Dream.exe"s, "dream.exe\0garbage"s}) {
        processes.Processes->push_back(Process(99, {"wine64-preloader", name}));
        EXPECT_EQ(modIsProcessRunning::IsProcessRunning("DREAM.exe"), 1) << name;
        EXPECT_EQ(modIsProcessRunning::IsProcessRunning("dream"), 1) << name;
        processes.Processes->pop_back();
    }

    processes.Processes.reset();
    EXPECT_EQ(modIsProcessRunning::IsProcessRunning("DREAM.exe"), -1);
}

TEST(modIsProcessRunning, StripNullsKeepsTheTextBeforeTheFirstNul)
{
    EXPECT_EQ(modIsProcessRunning::StripNulls("DREAM.exe\0\0\0x"s), "DREAM.exe");
    EXPECT_EQ(modIsProcessRunning::StripNulls("DREAM.exe"), "DREAM.exe");
    EXPECT_EQ(modIsProcessRunning::StripNulls("\0DREAM.exe"s), "");
    EXPECT_EQ(modIsProcessRunning::StripNulls(""), "");
}

TEST_F(DecoderClosing, NothingIsEndedWithoutADecoderStartedInThisRun)
{
    processes.RunningChildren = {4321};  // some other child, not the decoder
    modIsProcessRunning::CloseProcessWindows();
    EXPECT_TRUE(processes.Ended.empty());
    EXPECT_TRUE(modIsProcessRunning::DecoderWindows.empty());
}

TEST_F(DecoderClosing, EachClosingEndsOnlyTheDecoderStartedLast)
{
    std::string error;
    const int64_t first = processes.StartChild("DREAM.exe", {}, "", error);
    modIsProcessRunning::DecoderProcessId = first;
    modIsProcessRunning::CloseProcessWindows();
    EXPECT_EQ(processes.Ended, std::vector<int64_t>{first});
    EXPECT_EQ(modIsProcessRunning::DecoderWindows, std::vector<int64_t>{first});

    const int64_t second = processes.StartChild("DREAM.exe", {}, "", error);
    const int64_t unrelated = processes.StartChild("other", {}, "", error);
    modIsProcessRunning::DecoderProcessId = second;
    modIsProcessRunning::CloseProcessWindows();
    modIsProcessRunning::CloseProcessWindows();  // the decoder has ended: nothing more to do
    EXPECT_EQ(processes.Ended, (std::vector<int64_t>{first, second}));
    EXPECT_TRUE(modIsProcessRunning::DecoderWindows.empty());
    EXPECT_TRUE(processes.IsChildRunning(unrelated));
}

TEST(modVBTricks, ShowTitleBarTogglesTheCaptionAndKeepsTheWindowShown)
{
    QWidget window;
    window.resize(200, 100);
    window.show();

    modVBTricks::ShowTitleBar(&window, false);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.size(), QSize(200, 100));

    modVBTricks::ShowTitleBar(&window, true);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.isVisible());

    QWidget hidden;
    modVBTricks::ShowTitleBar(&hidden, false);
    EXPECT_FALSE(hidden.isVisible());
    modVBTricks::ShowTitleBar(nullptr, false);
}
