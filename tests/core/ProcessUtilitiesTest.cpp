#include "core/modIsProcessRunning.h"
#include "core/modVBTricks.h"
#include "fakes/FakeProcessList.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(modIsProcessRunning, FindsTheDecoderByNameWhateverTheCaseAndExtension)
{
    FakeProcessList processes;
    processes.Processes = std::vector<RunningProcess>{{1, {"dreamer"}}, {2, {"DREAM.exe.bak"}}};
    EXPECT_EQ(modIsProcessRunning::IsProcessRunning("DREAM.exe"), 0);

    for (const std::string& name : {"DREAM.EXE"s, "dream"s, "Dream.exe\0\0garbage"s}) {
        processes.Processes->push_back({3, {"wine64-preloader", name}});
        EXPECT_EQ(modIsProcessRunning::IsProcessRunning("DREAM.exe"), 1) << name;
        processes.Processes->pop_back();
    }
    processes.Processes.reset();
    EXPECT_EQ(modIsProcessRunning::IsProcessRunning("DREAM.exe"), -1);
}

TEST(modIsProcessRunning, EachClosingEndsOnlyTheDecoderStartedLast)
{
    FakeProcessList processes;
    std::string error;
    const int64_t unrelated = processes.StartChild("other", {}, "", error);
    modIsProcessRunning::CloseProcessWindows();  // no decoder started yet
    EXPECT_TRUE(processes.Ended.empty());

    const int64_t first = processes.StartChild("DREAM.exe", {}, "", error);
    modIsProcessRunning::DecoderProcessId = first;
    modIsProcessRunning::CloseProcessWindows();
    const int64_t second = processes.StartChild("DREAM.exe", {}, "", error);
    modIsProcessRunning::DecoderProcessId = second;
    modIsProcessRunning::CloseProcessWindows();
    modIsProcessRunning::CloseProcessWindows();  // it has ended: nothing left to close
    EXPECT_EQ(processes.Ended, (std::vector<int64_t>{first, second}));
    EXPECT_TRUE(processes.IsChildRunning(unrelated));
    modIsProcessRunning::DecoderProcessId = 0;
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
}
