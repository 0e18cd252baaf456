#include "audio/WavHeader.h"


namespace {

void PutId(WavHeader::Bytes& bytes, int offset, const std::string& id)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = i < static_cast<int>(id.size()) ? static_cast<uint8_t>(id[i]) : 0;
}

void Put32(WavHeader::Bytes& bytes, int offset, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

void Put16(WavHeader::Bytes& bytes, int offset, int16_t value)
{
    const auto bits = static_cast<uint16_t>(value);
    bytes[offset] = static_cast<uint8_t>(bits);
    bytes[offset + 1] = static_cast<uint8_t>(bits >> 8);
}

std::string GetId(const WavHeader::Bytes& bytes, int offset)
{
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset), 4);
}

int32_t Get32(const WavHeader::Bytes& bytes, int offset)
{
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | bytes[offset + i];
    return static_cast<int32_t>(bits);
}

int16_t Get16(const WavHeader::Bytes& bytes, int offset)
{
    return static_cast<int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

} // namespace

WavHeader WavHeader::For(int32_t samplingRate, int16_t numChannels, int16_t bitsPerSample,
                         int32_t numSamples, int32_t fileSize)
{
    const int32_t bytesPerSample = bitsPerSample / 8;
    WavHeader header;
    header.RiffSize = fileSize - 8;
    header.NumChannels = numChannels;
    header.SamplingRate = samplingRate;
    header.ByteRate = samplingRate * numChannels * bytesPerSample;
    header.BlockAlign = static_cast<int16_t>(numChannels * bytesPerSample);
    header.BitsPerSample = bitsPerSample;
    header.DataSize = numSamples * numChannels * bytesPerSample;
    return header;
}

WavHeader::Bytes WavHeader::Encode() const
{
    Bytes bytes{};
    PutId(bytes, 0, RiffId);
    Put32(bytes, 4, RiffSize);
    PutId(bytes, 8, WaveId);
    PutId(bytes, 12, FormatId);
    Put32(bytes, 16, FormatSize);
    Put16(bytes, 20, FormatTag);
    Put16(bytes, 22, NumChannels);
    Put32(bytes, 24, SamplingRate);
    Put32(bytes, 28, ByteRate);
    Put16(bytes, 32, BlockAlign);
    Put16(bytes, 34, BitsPerSample);
    PutId(bytes, 36, DataId);
    Put32(bytes, 40, DataSize);
    return bytes;
}

WavHeader WavHeader::Decode(const Bytes& bytes)
{
    WavHeader header;
    header.RiffId = GetId(bytes, 0);
    header.RiffSize = Get32(bytes, 4);
    header.WaveId = GetId(bytes, 8);
    header.FormatId = GetId(bytes, 12);
    header.FormatSize = Get32(bytes, 16);
    header.FormatTag = Get16(bytes, 20);
    header.NumChannels = Get16(bytes, 22);
    header.SamplingRate = Get32(bytes, 24);
    header.ByteRate = Get32(bytes, 28);
    header.BlockAlign = Get16(bytes, 32);
    header.BitsPerSample = Get16(bytes, 34);
    header.DataId = GetId(bytes, 36);
    header.DataSize = Get32(bytes, 40);
    return header;
}
