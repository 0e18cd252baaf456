#include "ui/main/TuningDisplay.h"

#include "core/Numeric.h"
#include "core/PublicFuncs.h"

#include <algorithm>
#include <cmath>

namespace TuningDisplay {

double PlaceValue(int digit) { return std::pow(10.0, 8 - digit); }

std::string TuneRateCaption(int digit, double step)
{
    if (digit < 0)
        return {};
    if (digit <= 1)
        return "x " + Numeric::Str(Numeric::Int(step / 10000000)) + " MHz";
    if (digit <= 4)
        return "x " + Numeric::Str(step / 10000) + " KHz";
    if (digit <= 7)
        return "x " + Numeric::Str(step / 10) + " Hz";
    return "x " + Numeric::Str(step) + " dHz";
}

std::string TuningStepEntry(int32_t step)
{
    const double value = step;
    if (step >= 10000 && step <= 100000)
        return PublicFuncs::PadString(Numeric::Str(value / 10000) + " KHz", 7, " ");
    if (step >= 10 && step <= 10000)
        return PublicFuncs::PadString(Numeric::Str(value / 10) + " Hz", 6, " ");
    if (step >= 0 && step <= 10)
        return PublicFuncs::PadString(Numeric::Str(step) + " dHz", 7, " ");
    return Numeric::Str(step);
}

DigitAndMultiplier StepDigit(int32_t index, int32_t step)
{
    struct Row
    {
        int32_t lastIndex;
        int digit;
        float divisor;
    };
    static constexpr Row rows[] = {{4, 4, 10000}, {8, 5, 1000}, {11, 6, 100}, {14, 7, 10}, {17, 8, 1}};
    for (const Row& row : rows)
        if (index <= row.lastIndex)
            return {row.digit, static_cast<float>(step) / row.divisor};
    return {8, static_cast<float>(step)};
}

int32_t WrapIndex(int32_t index, int32_t count)
{
    if (index > count - 1)
        return 0;
    if (index < 0)
        return count - 1;
    return index;
}

std::string ZeroUnitGroup(std::string digits, int unit)
{
    struct Group
    {
        size_t first, length;
    };
    static constexpr Group groups[] = {{0, 2}, {2, 3}, {5, 3}};
    if (unit < 0 || unit > 2)
        return digits;
    const Group group = groups[unit];
    for (size_t at = group.first; at < group.first + group.length && at < digits.size(); ++at)
        digits[at] = '0';
    return digits;
}

int DigitOfStep(double step)
{
    if (!(step > 0))
        return DigitCount - 1;
    const double digit = std::nearbyint(8 - std::log10(step));
    return static_cast<int>(std::clamp(digit, 0.0, double(DigitCount - 1)));
}

int DialDirection(int previous, int current, int min, int max, bool wrap)
{
    int64_t change = int64_t{current} - previous;
    const int64_t positions = int64_t{max} - min + 1;
    if (wrap && positions > 1) {
        change %= positions;
        if (change > positions / 2)
            change -= positions;
        else if (change < -(positions / 2))
            change += positions;
    }
    return change > 0 ? 1 : change < 0 ? -1 : 0;
}

} // namespace TuningDisplay
