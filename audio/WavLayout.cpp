#include "audio/WavLayout.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace {

constexpr int64_t RiffHeaderBytes = 12;  // "RIFF", its size, "WAVE"
constexpr int64_t ChunkHeaderBytes = 8;  // id and size
constexpr int32_t ExtensibleFormatTag = 0xFFFE;
constexpr int32_t LongestFormat = 40;

bool IsId(const uint8_t* bytes, const char* id)
{
    return std::memcmp(bytes, id, 4) == 0;
}

uint32_t Get32(const uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

int32_t Get16(const uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8);
}

bool IsFormatSize(uint32_t size)
{
    return size == 16 || size == 18 || size == LongestFormat;
}

// Reads exactly count bytes at offset; a file that ends first leaves got short.
int ReadExactly(WavDisk& disk, int handle, int64_t offset, uint8_t* data, int32_t count, bool& complete)
{
    int32_t got = 0;
    const int error = disk.ReadAt(handle, offset, data, count, got);
    complete = error == 0 && got == count;
    return error;
}

void TakeFormat(const uint8_t* body, int32_t size, WavLayout& layout)
{
    layout.FormatSize = size;
    layout.FormatTag = Get16(body);
    layout.NumChannels = Get16(body + 2);
    layout.SamplingRate = static_cast<int32_t>(Get32(body + 4));
    layout.BitsPerSample = Get16(body + 14);
    // The extensible format names its real format in the first two bytes of its sub-format.
    if (layout.FormatTag == ExtensibleFormatTag && size == LongestFormat)
        layout.FormatTag = Get16(body + 24);
}

} // namespace

int WavLayout::Read(WavDisk& disk, int handle, int64_t length, WavLayout& layout)
{
    layout = WavLayout{};
    std::array<uint8_t, RiffHeaderBytes> riff{};
    bool complete = false;
    if (const int error = ReadExactly(disk, handle, 0, riff.data(), RiffHeaderBytes, complete))
        return error;
    if (!complete || !IsId(riff.data(), "RIFF") || !IsId(riff.data() + 8, "WAVE")) {
        layout.fault = Fault::NotWave;
        return 0;
    }

    bool haveFormat = false;
    int64_t offset = RiffHeaderBytes;
    for (int32_t chunk = 0; chunk < MaxChunks && offset + ChunkHeaderBytes <= length; ++chunk) {
        std::array<uint8_t, ChunkHeaderBytes> header{};
        if (const int error = ReadExactly(disk, handle, offset, header.data(), ChunkHeaderBytes, complete))
            return error;
        if (!complete)
            break;
        const uint32_t size = Get32(header.data() + 4);
        const int64_t body = offset + ChunkHeaderBytes;
        if (IsId(header.data(), "fmt ")) {
            if (!IsFormatSize(size)) {
                layout.fault = Fault::FormatSize;
                layout.FormatSize = static_cast<int32_t>(std::min<uint32_t>(size, INT32_MAX));
                return 0;
            }
            std::array<uint8_t, LongestFormat> format{};
            if (const int error = ReadExactly(disk, handle, body, format.data(), static_cast<int32_t>(size), complete))
                return error;
            if (!complete)
                break;
            TakeFormat(format.data(), static_cast<int32_t>(size), layout);
            haveFormat = true;
        } else if (IsId(header.data(), "data")) {
            if (!haveFormat)
                break;
            layout.DataOffset = body;
            layout.DataSize = size;
            return 0;
        }
        offset = body + size + (size & 1);  // a chunk of odd size is followed by a pad byte
    }
    layout.fault = haveFormat ? Fault::NoData : Fault::NoFormat;
    return 0;
}
