#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One entry of the process list.
struct RunningProcess
{
    int64_t Id = 0;
    // The names the process is known by: the base names of its executable file and of its
    // first command-line word, and its short kernel name (as available).
    std::vector<std::string> Names;
};

// The running processes, and the child processes that this program starts and ends.
// Only a child started through StartChild is ever ended.
class ProcessList
{
public:
    virtual ~ProcessList() = default;

    // None when the list cannot be read.
    virtual std::optional<std::vector<RunningProcess>> RunningProcesses() = 0;

    // Starts the program directly with these arguments, never through a shell, in the given
    // working folder (empty: the current one). Its process id, or 0 with the reason in error.
    virtual int64_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                               const std::string& workingFolder, std::string& error) = 0;

    // True while a child started by StartChild with this id still runs.
    virtual bool IsChildRunning(int64_t processId) = 0;

    // Ends such a child: asks it to terminate, kills it when it has not ended within the
    // polite wait. False, and nothing done, for any id that is not a running child.
    virtual bool EndChild(int64_t processId) = 0;
};

// The real list: processes from the proc file system, children through QProcess.
class SystemProcessList : public ProcessList
{
public:
    explicit SystemProcessList(std::string procFolder = "/proc", int politeWaitMilliseconds = 3000);

    std::optional<std::vector<RunningProcess>> RunningProcesses() override;
    int64_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, std::string& error) override;
    bool IsChildRunning(int64_t processId) override;
    bool EndChild(int64_t processId) override;

private:
    std::string procFolder_;
    int politeWaitMilliseconds_;
};

ProcessList& CurrentProcessList();
void SetProcessList(ProcessList* list);  // nullptr restores the real list
