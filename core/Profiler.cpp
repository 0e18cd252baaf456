#include "core/Profiler.h"

#include "platform/MessageBoxes.h"
#include "platform/PerfCounter.h"

#include <limits>

Profiler::Profiler()
{
    if (!CurrentPerfCounter().QueryFrequency(cuFrequency) || cuFrequency <= 0) {
        cuFrequency = 0;
        MessageBoxes::MsgBox("Your hardware doesn't support a high-resolution performance counter!",
                             MessageBoxes::vbInformation);
    }
}

int32_t Profiler::StartTiming()
{
    int64_t now = 0;
    if (CurrentPerfCounter().QueryCounter(now))
        cuStart = now;
    return 0;
}

int32_t Profiler::StopTiming()
{
    int64_t now = 0;
    if (CurrentPerfCounter().QueryCounter(now))
        cuStop = now;

    // An interval too long for 32 bits keeps the previous tick count.
    const int64_t ticks = cuStop - cuStart;
    if (ticks >= std::numeric_limits<int32_t>::min() && ticks <= std::numeric_limits<int32_t>::max())
        DurationInTicks = static_cast<int32_t>(ticks);

    if (cuFrequency != 0)
        Duration = static_cast<double>(DurationInTicks) / static_cast<double>(cuFrequency) * 1'000'000.0;
    return 0;
}
