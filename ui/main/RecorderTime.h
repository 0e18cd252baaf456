#pragma once

#include <QString>

#include <cstdint>

namespace RecorderTime {

// Hours, minutes and whole seconds, each at least two digits, joined by ":" ("01:02:03").
QString FormatDuration(float seconds);

// Seconds of audio in a stretch of a WAV file: rounded to the nearest second, halves up.
float TrackSeconds(int32_t startByte, int32_t endByte, int32_t samplesPerSecond, int32_t bytesPerSample);

}   // namespace RecorderTime
