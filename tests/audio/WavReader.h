#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A reader of RIFF WAVE files written for the tests, independent of the recorder's own
// header code: it walks the chunks as any WAV player would and keeps what lies after the
// RIFF chunk (where the track log lives).
struct WavReader
{
    bool ok = false;
    std::string error;
    uint32_t riffSize = 0;
    uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
    uint32_t sampleRate = 0, byteRate = 0;
    std::vector<uint8_t> data;   // the data chunk's bytes
    std::vector<uint8_t> after;  // the bytes after the end of the RIFF chunk

    static uint32_t U32(const std::vector<uint8_t>& b, size_t at)
    {
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
    }
    static uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
    static std::string Id(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

    static WavReader Parse(const std::vector<uint8_t>& file)
    {
        WavReader wav;
        if (file.size() < 12 || Id(file, 0) != "RIFF" || Id(file, 8) != "WAVE") {
            wav.error = "not a RIFF WAVE file";
            return wav;
        }
        wav.riffSize = U32(file, 4);
        const size_t riffEnd = 8 + static_cast<size_t>(wav.riffSize);
        if (riffEnd > file.size()) {
            wav.error = "RIFF size runs past the end of the file";
            return wav;
        }
        bool haveFormat = false, haveData = false;
        for (size_t at = 12; at + 8 <= riffEnd;) {
            const std::string id = Id(file, at);
            const size_t size = U32(file, at + 4);
            const size_t body = at + 8;
            if (body + size > riffEnd) {
                wav.error = "chunk " + id + " runs past the RIFF chunk";
                return wav;
            }
            if (id == "fmt " && size >= 16) {
                wav.formatTag = U16(file, body);
                wav.channels = U16(file, body + 2);
                wav.sampleRate = U32(file, body + 4);
                wav.byteRate = U32(file, body + 8);
                wav.blockAlign = U16(file, body + 12);
                wav.bitsPerSample = U16(file, body + 14);
                haveFormat = true;
            } else if (id == "data") {
                wav.data.assign(file.begin() + body, file.begin() + body + size);
                haveData = true;
            }
            at = body + size + (size & 1);
        }
        if (!haveFormat || !haveData) {
            wav.error = "missing fmt or data chunk";
            return wav;
        }
        wav.after.assign(file.begin() + riffEnd, file.end());
        wav.ok = true;
        return wav;
    }

    static std::vector<uint8_t> Slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::vector<int16_t> Samples16() const
    {
        std::vector<int16_t> samples;
        for (size_t i = 0; i + 1 < data.size(); i += 2)
            samples.push_back(static_cast<int16_t>(U16(data, i)));
        return samples;
    }
};
