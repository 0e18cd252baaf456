#pragma once

#include "platform/ProcessList.h"

#include <set>

// A process list and child launcher as a test describes it; records what was started and
// ended. Installs itself for its lifetime.
class FakeProcessList : public ProcessList
{
public:
    FakeProcessList() { SetProcessList(this); }
    ~FakeProcessList() override { SetProcessList(nullptr); }
    FakeProcessList(const FakeProcessList&) = delete;
    FakeProcessList& operator=(const FakeProcessList&) = delete;

    struct StartedChild
    {
        std::string Program;
        std::vector<std::string> Arguments;
        std::string WorkingFolder;
    };

    std::optional<std::vector<RunningProcess>> Processes = std::vector<RunningProcess>{};  // none: unreadable
    std::set<int64_t> RunningChildren;
    std::vector<StartedChild> Started;
    std::vector<int64_t> Ended;
    std::string StartError;        // non-empty: every start fails with this reason
    int64_t NextProcessId = 4000;

    std::optional<std::vector<RunningProcess>> RunningProcesses() override { return Processes; }

    int64_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, std::string& error) override
    {
        if (!StartError.empty()) {
            error = StartError;
            return 0;
        }
        Started.push_back({program, arguments, workingFolder});
        RunningChildren.insert(NextProcessId);
        return NextProcessId++;
    }

    bool IsChildRunning(int64_t processId) override { return RunningChildren.count(processId) != 0; }

    bool EndChild(int64_t processId) override
    {
        if (!RunningChildren.erase(processId))
            return false;
        Ended.push_back(processId);
        return true;
    }
};
