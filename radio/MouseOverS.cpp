#include "radio/MouseOverS.h"

#include "core/MainWindowValues.h"
#include "core/Profiler.h"
#include "platform/SerialLines.h"
#include "radio/HardwareObjects.h"
#include "radio/RadioControls.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace MouseOverS {

namespace {

constexpr int64_t TenThousandths = 10000;
// Intervals beyond this many microseconds all mean "slow"; the bound keeps the fixed
// point within 64 bits whatever the counter reports.
constexpr double LongestInterval = 1e12;
constexpr int MeanOfLast = 5;

enum class Turn { None, Down, Up };

// Transition codes (old state x 4 + new state) of the two quadrature sequences.
Turn Decode(int32_t transitionCode)
{
    switch (transitionCode) {
    case 1: case 7: case 14: case 8:
        return Turn::Down;   // 0 -> 1 -> 3 -> 2 -> 0: CTS leads
    case 2: case 11: case 13: case 4:
        return Turn::Up;     // 0 -> 2 -> 3 -> 1 -> 0: DSR leads
    default:
        return Turn::None;   // both inputs changed between two events
    }
}

int32_t StateOf(int32_t modemStatus)
{
    const int32_t ctsOff = (modemStatus & SerialLines::MS_CTS_ON) ? 0 : 1;
    const int32_t dsrOff = (modemStatus & SerialLines::MS_DSR_ON) ? 0 : 2;
    return ctsOff | dsrOff;
}

void StepDown()
{
    if (ShaftAutoRate) {
        ShaftPendingDown = 1;
        ShaftPendingUp = 0;
        ShaftEncoderAutoRate();
        return;
    }
    if (VFO)
        VFO->Dec_Freq(VFO->TuneStep());
    RadioControls::dialtuner.Value(RadioControls::dialtuner.Value() - 1);
}

void StepUp()
{
    if (ShaftAutoRate) {
        ShaftPendingUp = 1;
        ShaftPendingDown = 0;
        ShaftEncoderAutoRate();
        return;
    }
    if (VFO)
        VFO->Inc_Freq(VFO->TuneStep());
    RadioControls::dialtuner.Value(RadioControls::dialtuner.Value() + 1);
}

// Microseconds since the previous run, in ten-thousandths.
int64_t MeasureInterval()
{
    if (!EncoderProfiler)
        EncoderProfiler = std::make_unique<Profiler>();
    EncoderProfiler->StopTiming();
    const double microseconds = std::clamp(EncoderProfiler->Duration, -LongestInterval, LongestInterval);
    EncoderProfiler->StartTiming();
    return static_cast<int64_t>(std::nearbyint(microseconds * TenThousandths));
}

} // namespace

void InitEncoderHistory() { EncoderIntervals.fill(100000 * TenThousandths); }

void ShaftEncoderPoll()
{
    if (!EnableShaftEncoder || !DDSSerialIF)
        return;
    const int32_t newState = StateOf(DDSSerialIF->GetEncoderBits());
    if (newState == EncoderState)
        return;
    const int32_t transitionCode = EncoderState * 4 + newState;
    EncoderState = newState;
    switch (Decode(transitionCode)) {
    case Turn::Down: StepDown(); break;
    case Turn::Up: StepUp(); break;
    case Turn::None: break;
    }
}

RateDivisors RateDivisorsFor(int64_t meanMicroseconds)
{
    struct Band
    {
        int64_t from, to;
        RateDivisors divisors;
    };
    static constexpr Band bands[] = {
        {0, 999, {1, 1}},       {1000, 4999, {2, 10}},  {5000, 5999, {10, 10}},    {6000, 6999, {20, 10}},
        {7000, 7999, {40, 10}}, {8000, 8999, {80, 100}}, {9000, 12000, {100, 100}},
    };
    for (const Band& band : bands)
        if (meanMicroseconds >= band.from && meanMicroseconds <= band.to)
            return band.divisors;
    return {1000, 1000};
}

void ShaftEncoderAutoRate()
{
    std::copy_backward(EncoderIntervals.begin(), EncoderIntervals.end() - 1, EncoderIntervals.end());
    EncoderIntervals[0] = MeasureInterval();

    const int64_t sum = std::accumulate(EncoderIntervals.begin(), EncoderIntervals.begin() + MeanOfLast, int64_t{0});
    const auto wholeMicroseconds = static_cast<int64_t>(std::nearbyint(static_cast<double>(sum) / TenThousandths));
    const RateDivisors divisors = RateDivisorsFor(wholeMicroseconds / MeanOfLast);
    if (!VFO)
        return;
    VFO->TuneStep(ShaftBaseStep / divisors.step);
    VFO->TuneStepLSD(ShaftBaseStep / divisors.rounding);
}

} // namespace MouseOverS
