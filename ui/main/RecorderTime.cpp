#include "ui/main/RecorderTime.h"

#include "core/NumberFormat.h"
#include "core/Numeric.h"

namespace RecorderTime {

QString FormatDuration(float seconds)
{
    const float hours = static_cast<float>(Numeric::Int(seconds / 3600.0f));
    const float minutes = static_cast<float>(Numeric::Int((seconds - 3600.0f * hours) / 60.0f));
    const float rest = static_cast<float>(Numeric::Int(seconds - 3600.0f * hours - 60.0f * minutes));
    return QString::fromStdString(Format(hours, "00") + ":" + Format(minutes, "00") + ":" + Format(rest, "00"));
}

float TrackSeconds(int32_t startByte, int32_t endByte, int32_t samplesPerSecond, int32_t bytesPerSample)
{
    const float bytes = static_cast<float>(endByte) - static_cast<float>(startByte);
    const float perSecond = static_cast<float>(samplesPerSecond) * static_cast<float>(bytesPerSample);
    return static_cast<float>(Numeric::Int(bytes / perSecond + 0.5f));
}

}   // namespace RecorderTime
