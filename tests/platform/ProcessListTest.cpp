#include "platform/ProcessList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <unistd.h>

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

std::vector<std::string> NamesOf(const std::vector<RunningProcess>& processes, int64_t id)
{
    for (const RunningProcess& process : processes) {
        if (process.Id == id)
            return process.Names;
    }
    return {};
}

} // namespace

TEST(ProcessList, ReadsNamesFromTheProcFolder)
{
    QTemporaryDir proc;
    const QString root = proc.path();
    for (const char* folder : {"123", "456", "789", "self"})
        QDir(root).mkpath(folder);
    WriteFile(root + "/123/comm", "DREAM.exe\n");
    WriteFile(root + "/123/cmdline", QByteArray("C:\\Dream\\DREAM.exe\0-p\0", 23));
    QFile::link("/usr/local/bin/dream", root + "/456/exe");
    WriteFile(root + "/789/cmdline", "/opt/dream/DREAM.exe");  // arguments rewritten, no NUL

    const auto processes = SystemProcessList(root.toStdString()).RunningProcesses();
    ASSERT_TRUE(processes);
    EXPECT_EQ(processes->size(), 3u);
    EXPECT_EQ(NamesOf(*processes, 789), std::vector<std::string>{"DREAM.exe"});
    EXPECT_EQ(NamesOf(*processes, 123), (std::vector<std::string>{"DREAM.exe", "DREAM.exe"}));
    EXPECT_EQ(NamesOf(*processes, 456), std::vector<std::string>{"dream"});
    EXPECT_FALSE(SystemProcessList((root + "/missing").toStdString()).RunningProcesses());
}

TEST(ProcessList, EndsItsOwnRunningChildAndNoOtherProcess)
{
    SystemProcessList list;
    std::string error;
    EXPECT_EQ(list.StartChild("/nonexistent/DREAM.exe", {}, "", error), 0);
    EXPECT_FALSE(error.empty());

    const int64_t child = list.StartChild("sleep", {"30"}, QDir::tempPath().toStdString(), error);
    ASSERT_GT(child, 0) << error;
    const std::vector<std::string> names = NamesOf(*list.RunningProcesses(), child);
    EXPECT_NE(std::find(names.begin(), names.end(), "sleep"), names.end());

    EXPECT_FALSE(list.EndChild(getpid()));
    EXPECT_FALSE(list.EndChild(1));
    EXPECT_TRUE(list.EndChild(child));
    EXPECT_FALSE(list.IsChildRunning(child));
    EXPECT_FALSE(list.EndChild(child));
}

TEST(ProcessList, AChildThatIgnoresThePoliteRequestIsKilledAfterTheWait)
{
    SystemProcessList list("/proc", 300);
    std::string error;
    const int64_t child = list.StartChild("/bin/sh", {"-c", "trap '' TERM; while :; do sleep 0.05; done"}, "", error);
    ASSERT_GT(child, 0) << error;
    QThread::msleep(200);  // lets the shell set its trap

    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(list.EndChild(child));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(300));
    EXPECT_FALSE(list.IsChildRunning(child));
}
