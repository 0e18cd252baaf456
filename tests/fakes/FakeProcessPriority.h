#pragma once

#include "platform/ProcessPriority.h"

#include <string>
#include <vector>

// The scheduling of one thread as a record: the test says what the system refuses and
// reads what was asked. Installs itself for its lifetime.
class FakeProcessPriority : public ProcessPriority::Backend
{
public:
    FakeProcessPriority() { ProcessPriority::SetBackend(this); }
    ~FakeProcessPriority() override { ProcessPriority::SetBackend(nullptr); }
    FakeProcessPriority(const FakeProcessPriority&) = delete;
    FakeProcessPriority& operator=(const FakeProcessPriority&) = delete;

    ProcessPriority::Scheduling Now;
    bool RefuseRealTime = false;
    int LowestNiceAllowed = -20;     // lower values are refused, as without privilege
    std::vector<std::string> Calls;  // "realtime", "timesharing", "nice <n>"

    bool Read(ProcessPriority::Scheduling& now, std::string&) override
    {
        now = Now;
        return true;
    }
    bool SetRealTime(int priority, std::string& error) override
    {
        Calls.push_back("realtime");
        if (RefuseRealTime) {
            error = "refused";
            return false;
        }
        Now.RealTime = true;
        Now.RealTimePriority = priority;
        return true;
    }
    bool SetTimeSharing(std::string&) override
    {
        Calls.push_back("timesharing");
        Now.RealTime = false;
        Now.RealTimePriority = 0;
        return true;
    }
    bool SetNice(int nice, std::string& error) override
    {
        Calls.push_back("nice " + std::to_string(nice));
        if (nice < Now.Nice && nice < LowestNiceAllowed) {
            error = "refused";
            return false;
        }
        Now.Nice = nice;
        return true;
    }
};
