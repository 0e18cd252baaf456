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
