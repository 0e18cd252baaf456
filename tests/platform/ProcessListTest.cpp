#include "platform/ProcessList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <unistd.h>

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

bool HasName(const RunningProcess& process, const std::string& name)
{
    return std::find(process.Names.begin(), process.Names.end(), name) != process.Names.end();
}

const RunningProcess* FindProcess(const std::vector<RunningProcess>& processes, int64_t id)
{
    for (const RunningProcess& process : processes) {
        if (process.Id == id)
            return &process;
    }
    return nullptr;
}

} // namespace

TEST(ProcessList, ReadsNamesFromTheProcFolder)
{
    QTemporaryDir proc;
    const QString root = proc.path();
    QDir(root).mkpath("123");
    WriteFile(root + "/123/comm", "DREAM.exe\n");
    WriteFile(root + "/123/cmdline", QByteArray("C:\\Programs\\Dream\\DREAM.exe\0-p\0", 32));
    QDir(root).mkpath("456");
    QFile::link("/usr/local/bin/dream", root + "/456/exe");
    QDir(root).mkpath("self");
    QDir(root).mkpath("sys");

    SystemProcessList list(root.toStdString());
    const auto processes = list.RunningProcesses();
    ASSERT_TRUE(processes);
    ASSERT_EQ(processes->size(), 2u);
    const RunningProcess* wine = FindProcess(*processes, 123);
    ASSERT_NE(wine, nullptr);
    EXPECT_EQ(wine->Names, (std::vector<std::string>{"DREAM.exe", "DREAM.exe"}));
    const RunningProcess* native = FindProcess(*processes, 456);
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(native->Names, std::vector<std::string>{"dream"});

    EXPECT_FALSE(SystemProcessList((root + "/missing").toStdString()).RunningProcesses());
}

TEST(ProcessList, StartsListsAndEndsItsOwnChild)
{
    SystemProcessList list;
    std::string error;
    const int64_t child = list.StartChild("sleep", {"30"}, QDir::tempPath().toStdString(), error);
    ASSERT_GT(child, 0) << error;

    const auto processes = list.RunningProcesses();
    ASSERT_TRUE(processes);
    const RunningProcess* listed = FindProcess(*processes, child);
    ASSERT_NE(listed, nullptr);
    EXPECT_TRUE(HasName(*listed, "sleep"));

    EXPECT_TRUE(list.IsChildRunning(child));
    EXPECT_TRUE(list.EndChild(child));
    EXPECT_FALSE(list.IsChildRunning(child));
    EXPECT_FALSE(list.EndChild(child));
}

TEST(ProcessList, NeverEndsAProcessItDidNotStart)
{
    SystemProcessList list;
    EXPECT_FALSE(list.IsChildRunning(getpid()));
    EXPECT_FALSE(list.EndChild(getpid()));
    EXPECT_FALSE(list.EndChild(1));
    EXPECT_FALSE(list.EndChild(0));
}

TEST(ProcessList, AChildThatIgnoresThePoliteRequestIsKilledAfterTheWait)
{
    SystemProcessList list("/proc", 300);
    std::string error;
    const int64_t child =
        list.StartChild("/bin/sh", {"-c", "trap '' TERM; echo ready; while :; do sleep 0.05; done"}, "", error);
    ASSERT_GT(child, 0) << error;
    QThread::msleep(200);  // lets the shell set its trap

    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(list.EndChild(child));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(300));
    EXPECT_FALSE(list.IsChildRunning(child));
}

TEST(ProcessList, AProgramThatCannotStartGivesNoIdAndAReason)
{
    SystemProcessList list;
    std::string error;
    EXPECT_EQ(list.StartChild("/nonexistent/DREAM.exe", {}, "", error), 0);
    EXPECT_FALSE(error.empty());
}
