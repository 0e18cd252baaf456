#pragma once

#include "audio/WavDisk.h"

#include <cstdint>

// Where a WAV file keeps its format and its samples, found by walking its chunks: the
// "fmt " chunk (16, 18 or 40 bytes) and the "data" chunk after it. Every other chunk
// (LIST, fact, anything unknown) is skipped, so only the data chunk's samples are played.
struct WavLayout
{
    enum class Fault
    {
        None,
        NotWave,         // the file does not begin with the RIFF and WAVE ids
        NoFormat,        // no format chunk before the data chunk
        FormatSize,      // a format chunk of a size other than 16, 18 or 40 bytes
        NoData,          // no data chunk (or none among the first MaxChunks chunks)
    };
    static constexpr int32_t MaxChunks = 1024;  // bounds the walk through a hostile file

    Fault fault = Fault::None;
    int32_t FormatSize = 0;
    int32_t FormatTag = 0;       // 1: PCM; an extensible format gives its sub-format's tag
    int32_t NumChannels = 0;
    int32_t SamplingRate = 0;
    int32_t BitsPerSample = 0;
    int64_t DataOffset = 0;      // byte offset of the first sample
    int64_t DataSize = 0;        // as the data chunk's header gives it; may pass the file's end

    // Walks the chunks of an open file of the given length. Returns 0, or the system's
    // error number of a failed read; a file that is no playable WAV file sets fault.
    static int Read(WavDisk& disk, int handle, int64_t length, WavLayout& layout);
};
