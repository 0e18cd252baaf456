#include "fakes/FakeProcessPriority.h"
#include "platform/ProcessPriority.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using ProcessPriority::Level;

std::vector<std::string> logged;
void Record(const std::string& line) { logged.push_back(line); }

class ProcessPriorityTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        logged.clear();
        ProcessPriority::SetLog(Record);
        fake.Now.Nice = 5;
    }
    void TearDown() override { ProcessPriority::SetLog(nullptr); }

    FakeProcessPriority fake;
};

TEST_F(ProcessPriorityTest, RealTimeWhereAllowedAndRestoreGoesBackToTheStartingScheduling)
{
    EXPECT_EQ(ProcessPriority::RaiseToRealTime(), Level::RealTime);
    EXPECT_EQ(ProcessPriority::RaiseToRealTime(), Level::RealTime) << "a second raise changes nothing";
    EXPECT_TRUE(fake.Now.RealTime);
    ProcessPriority::Restore();
    EXPECT_FALSE(fake.Now.RealTime);
    EXPECT_EQ(fake.Now.Nice, 5);
    EXPECT_EQ(fake.Calls, (std::vector<std::string>{"realtime", "timesharing", "nice 5"}));
    EXPECT_EQ(ProcessPriority::Current(), Level::Unchanged);
}

// Without real time the nice value goes as low as the limits allow, never below 10
// under the start; restoring raises it again, which needs no privilege.
TEST_F(ProcessPriorityTest, RefusedRealTimeLowersTheNiceValueAsFarAsTheLimitsAllow)
{
    fake.RefuseRealTime = true;
    fake.LowestNiceAllowed = 2;
    EXPECT_EQ(ProcessPriority::RaiseToRealTime(), Level::Raised);
    EXPECT_EQ(fake.Now.Nice, 2);
    EXPECT_EQ(fake.Calls.at(1), "nice -5");
    ProcessPriority::Restore();
    EXPECT_EQ(fake.Now.Nice, 5);
    EXPECT_FALSE(logged.empty());
}

TEST_F(ProcessPriorityTest, NothingAllowedOrAlreadyRealTimeChangesNothingAndRestoresNothing)
{
    fake.RefuseRealTime = true;
    fake.LowestNiceAllowed = 5;
    EXPECT_EQ(ProcessPriority::RaiseToRealTime(), Level::Unchanged);
    const size_t attempts = fake.Calls.size();
    ProcessPriority::Restore();
    EXPECT_EQ(fake.Calls.size(), attempts);
    EXPECT_EQ(fake.Now.Nice, 5);
    EXPECT_NE(logged.back().find("priority unchanged"), std::string::npos) << logged.back();

    fake.Calls.clear();
    fake.Now.RealTime = true;   // started under chrt, say: left as it is
    EXPECT_EQ(ProcessPriority::RaiseToRealTime(), Level::Unchanged);
    ProcessPriority::Restore();
    EXPECT_TRUE(fake.Calls.empty());
    EXPECT_TRUE(fake.Now.RealTime);
}

} // namespace

// The system's own calls: whatever this user may do, raising and restoring leave the
// thread's nice value and policy as they were.
TEST(ProcessPriorityOnThisSystem, RaiseAndRestoreLeaveTheThreadAsItWas)
{
    const int niceBefore = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    const int policyBefore = sched_getscheduler(0);
    ProcessPriority::RaiseToRealTime();
    ProcessPriority::Restore();
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))), niceBefore);
    EXPECT_EQ(sched_getscheduler(0), policyBefore);
}

// A user who may take real time only through the rtprio limit (no CAP_SYS_NICE) still gets
// back to time sharing at power off. Run in a child process, which gives up the capability.
TEST(ProcessPriorityOnThisSystem, RealTimeByTheRtprioLimitIsLeftAgainWithoutPrivilege)
{
    enum Outcome { Restored = 0, StillRealTime = 1, NoRealTimeHere = 2 };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit rtprio{ProcessPriority::RealTimePriority, ProcessPriority::RealTimePriority};
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct capabilities[2]{};
        if (setrlimit(RLIMIT_RTPRIO, &rtprio) != 0 || syscall(SYS_capget, &header, capabilities) != 0)
            _exit(NoRealTimeHere);
        capabilities[0].effective &= ~(1u << CAP_SYS_NICE);
        if (syscall(SYS_capset, &header, capabilities) != 0)
            _exit(NoRealTimeHere);
        if (ProcessPriority::RaiseToRealTime() != ProcessPriority::Level::RealTime)
            _exit(NoRealTimeHere);
        ProcessPriority::Restore();
        _exit((sched_getscheduler(0) & ~SCHED_RESET_ON_FORK) == SCHED_OTHER ? Restored : StillRealTime);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == NoRealTimeHere)
        GTEST_SKIP() << "this system grants no real time through the rtprio limit";
    EXPECT_EQ(WEXITSTATUS(status), Restored);
}
