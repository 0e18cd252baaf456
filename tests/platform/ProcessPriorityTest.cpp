#include "fakes/FakeProcessPriority.h"
#include "platform/ProcessPriority.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
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
