#pragma once

#include <array>
#include <cstdint>
#include <string>

// The canonical 44-byte header of a PCM WAV file, as the recorder writes it. All numbers
// are little-endian in the file.
struct WavHeader
{
    static constexpr int32_t Size = 44;
    using Bytes = std::array<uint8_t, Size>;

    std::string RiffId = "RIFF";
    int32_t RiffSize = 36;          // file length before the track-log trailer, minus 8
    std::string WaveId = "WAVE";
    std::string FormatId = "fmt ";
    int32_t FormatSize = 16;
    int16_t FormatTag = 1;          // 1: PCM
    int16_t NumChannels = 1;
    int32_t SamplingRate = 0;
    int32_t ByteRate = 0;
    int16_t BlockAlign = 0;
    int16_t BitsPerSample = 16;
    std::string DataId = "data";
    int32_t DataSize = 0;

    // A header for numSamples samples; the products never leave the 32-bit range
    // because the byte count per sample is formed first.
    static WavHeader For(int32_t samplingRate, int16_t numChannels, int16_t bitsPerSample,
                         int32_t numSamples, int32_t fileSize);

    Bytes Encode() const;
};
