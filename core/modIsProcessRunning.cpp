#include "core/modIsProcessRunning.h"

#include "platform/ProcessList.h"

#include <algorithm>
#include <cctype>

namespace modIsProcessRunning {

namespace {

// "DREAM.exe", "dream.EXE" and "dream" all name the same program.
std::string ComparableName(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string extension = ".exe";
    if (name.size() > extension.size() && name.ends_with(extension))
        name.resize(name.size() - extension.size());
    return name;
}

} // namespace

int16_t IsProcessRunning(const std::string& executableName)
{
    const auto processes = CurrentProcessList().RunningProcesses();
    if (!processes)
        return -1;
    const std::string wanted = ComparableName(StripNulls(executableName));
    for (const RunningProcess& process : *processes) {
        for (const std::string& name : process.Names) {
            if (ComparableName(StripNulls(name)) == wanted)
                return 1;
        }
    }
    return 0;
}

std::string StripNulls(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

void EnumTopWindows()
{
    if (DecoderProcessId != 0 && CurrentProcessList().IsChildRunning(DecoderProcessId))
        DecoderWindows.push_back(DecoderProcessId);
}

void CloseProcessWindows()
{
    DecoderWindows.clear();
    EnumTopWindows();
    for (const int64_t processId : DecoderWindows)
        CurrentProcessList().EndChild(processId);
}

} // namespace modIsProcessRunning
