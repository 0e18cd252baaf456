#pragma once

// The rig the recorder and player tests share: a recorder on the in-memory disk with
// scripted dialogs and message boxes, a fixed clock and tuned frequency, a trace of its
// events, a deterministic test signal, a builder of WAV files for the player and a reader
// of the files the recorder writes.

#include "audio/clsWavFile.h"
#include "core/clsComDlg.h"
#include "fakes/FakeFileDialogs.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeWavDisk.h"
#include "support/ScopedTestHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

inline const std::string TempPath = "/rec/~QELVOWAV.TMP";

// The test signal: sample i of everything handed to the recorder.
inline int16_t Signal(int64_t i)
{
    return static_cast<int16_t>((i * 7) % 65536 - 32768);
}

inline std::vector<uint8_t> Le16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xFF));
    }
    return bytes;
}

// Reads a WAV file back, independent of the recorder's own header code: the canonical
// 44-byte header with its chunk ids and sizes checked, the data, and what lies after the
// RIFF chunk (the track log).
struct WavReader
{
    bool ok = false;
    uint16_t channels = 0, blockAlign = 0, bitsPerSample = 0;
    uint32_t sampleRate = 0, byteRate = 0;
    std::vector<uint8_t> data;   // the data chunk's bytes
    std::vector<uint8_t> after;  // the bytes after the end of the RIFF chunk

    static uint32_t U32(const std::vector<uint8_t>& b, size_t at)
    {
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
    }
    static uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

    static WavReader Parse(const std::vector<uint8_t>& file)
    {
        WavReader wav;
        const auto is = [&](size_t at, const char* id) { return std::equal(id, id + 4, file.begin() + static_cast<ptrdiff_t>(at)); };
        if (file.size() < 44 || !is(0, "RIFF") || !is(8, "WAVE") || !is(12, "fmt ") || U32(file, 16) != 16 || !is(36, "data"))
            return wav;
        const size_t dataEnd = 44 + size_t{U32(file, 40)};
        if (8 + size_t{U32(file, 4)} != dataEnd || dataEnd > file.size())
            return wav;
        wav.channels = U16(file, 22);
        wav.sampleRate = U32(file, 24);
        wav.byteRate = U32(file, 28);
        wav.blockAlign = U16(file, 32);
        wav.bitsPerSample = U16(file, 34);
        wav.data.assign(file.begin() + 44, file.begin() + static_cast<ptrdiff_t>(dataEnd));
        wav.after.assign(file.begin() + static_cast<ptrdiff_t>(dataEnd), file.end());
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

// A canonical WAV file, built byte by byte, with an optional tail after the data.
inline std::vector<uint8_t> MakeWav(uint32_t rate, const std::vector<uint8_t>& data, uint16_t bits = 16,
                                    uint16_t channels = 1, const std::vector<uint8_t>& tail = {},
                                    uint16_t formatTag = 1)
{
    std::vector<uint8_t> f(44);
    f.reserve(44 + data.size() + tail.size());
    size_t at = 0;
    auto id = [&](const char* s) { for (int i = 0; i < 4; ++i) f[at++] = static_cast<uint8_t>(s[i]); };
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) f[at++] = static_cast<uint8_t>(v >> (8 * i)); };
    auto u16 = [&](uint16_t v) { f[at++] = static_cast<uint8_t>(v); f[at++] = static_cast<uint8_t>(v >> 8); };
    id("RIFF"); u32(static_cast<uint32_t>(36 + data.size())); id("WAVE");
    id("fmt "); u32(16); u16(formatTag); u16(channels); u32(rate);
    u32(rate * channels * bits / 8); u16(static_cast<uint16_t>(channels * bits / 8)); u16(bits);
    id("data"); u32(static_cast<uint32_t>(data.size()));
    f.insert(f.end(), data.begin(), data.end());
    f.insert(f.end(), tail.begin(), tail.end());
    return f;
}

// The trailer text of one track as the format prescribes it, two bytes per character.
inline std::vector<uint8_t> TrailerEntry(const std::string& f, const std::string& t, const std::string& s,
                                         const std::string& e)
{
    const std::string text = "F=" + f + "\x04" "T=" + t + "\x04" "S=" + s + "\x04" "E=" + e + "\x04" + std::string(1, '\0');
    std::vector<uint8_t> bytes;
    for (char c : text)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(c), 0});
    return bytes;
}

// The whole trailer: the marker, then each track's entry.
inline std::vector<uint8_t> Trailer(const std::vector<std::vector<uint8_t>>& entries)
{
    size_t size = 5;
    for (const auto& entry : entries)
        size += entry.size();
    std::vector<uint8_t> bytes;
    bytes.reserve(size);  // g++ 12 warns falsely about growing the marker's vector
    bytes.assign({'Q', 'E', 'L', 'V', 'O'});
    for (const auto& entry : entries)
        bytes.insert(bytes.end(), entry.begin(), entry.end());
    return bytes;
}

// Expects samples to be the test signal from its start, every decimator-th sample,
// checking every step-th one.
inline void ExpectSignal(const std::vector<int16_t>& samples, size_t count, int64_t decimator = 1, size_t step = 1)
{
    ASSERT_EQ(count, samples.size());
    for (size_t j = 0; j < samples.size(); j += step)
        ASSERT_EQ(Signal(static_cast<int64_t>(j) * decimator), samples[j]) << "sample " << j;
}

class WavFileTest : public testing::Test
{
protected:
    void SetUp() override { wav = Make(); }

    void TearDown() override
    {
        wav.reset();
        ReleaseComDlg();
    }

    std::unique_ptr<clsWavFile> Make()
    {
        auto file = std::make_unique<clsWavFile>();
        file->Name("WavFile");
        file->SamplingRate(48000);
        file->TempFileName = TempPath;
        file->Now = [this] { return clock; };
        file->TunedFrequency = [this] { return tuned; };
        clsWavFileEvents* e = &file->Events;
        QObject::connect(e, &clsWavFileEvents::WriteNextBlockToDisk, [this] { events.push_back("WriteNext"); });
        QObject::connect(e, &clsWavFileEvents::ReadNextBlockFromDisk, [this] {
            events.push_back("ReadNext");
            ++readRequests;
        });
        QObject::connect(e, &clsWavFileEvents::PlayEnd, [this] {
            events.push_back("PlayEnd");
            if (onPlayEnd)
                onPlayEnd();
        });
        QObject::connect(e, &clsWavFileEvents::CatalogueLoaded, [this](int32_t n) { events.push_back("Catalogue " + std::to_string(n)); });
        QObject::connect(e, &clsWavFileEvents::DiskRead, [this](int32_t at) { events.push_back("DiskRead " + std::to_string(at)); });
        QObject::connect(e, &clsWavFileEvents::SamplesPlayed, [this](int32_t, int32_t n) { progress.push_back(n); });
        return file;
    }

    // Hands count samples of the test signal to the recorder in calls of n, writing each
    // full half as the owner's write timer would.
    void Record(int64_t count, int32_t n = 2048)
    {
        std::vector<int16_t> block(static_cast<size_t>(n));
        for (int64_t done = 0; done < count; done += n) {
            const auto size = static_cast<int32_t>(std::min<int64_t>(n, count - done));
            for (int32_t i = 0; i < size; ++i)
                block[static_cast<size_t>(i)] = Signal(sent + i);
            ASSERT_EQ(0, wav->AddSamples(block.data(), size));
            sent += size;
            if (wav->BufferFull()) {
                ASSERT_EQ(0, wav->WriteToDisk());
            }
        }
    }

    int32_t StartRecording()
    {
        sent = 0;
        return wav->OpenRecording();
    }

    // Starts a recording and records count samples into it.
    void Recorded(int64_t count)
    {
        ASSERT_EQ(0, StartRecording());
        Record(count);
    }

    // Saves through the save dialog under the given path.
    void SaveAs(const std::string& path)
    {
        dialogs.ChooseFile(path);
        wav->Save();
    }

    WavReader ReadBack(const std::string& path) { return WavReader::Parse(disk.Content(path)); }

    // Plays n-sample blocks, serving each block's read request before the next block, as
    // the owner's read timer does; returns the output.
    std::vector<int16_t> PlayBlocks(int blocks, int16_t n = 2048)
    {
        std::vector<int16_t> out;
        std::vector<int16_t> block(static_cast<size_t>(n));
        for (int b = 0; b < blocks; ++b) {
            const int requestsBefore = readRequests;
            wav->GetNextSamples(block.data(), n);
            out.insert(out.end(), block.begin(), block.end());
            if (readRequests != requestsBefore)
                wav->ReadFromDisk();
        }
        return out;
    }

    void OpenForPlayback(const std::string& path, std::vector<uint8_t> file)
    {
        disk.Put(path, std::move(file));
        wav->FileName(path);
        wav->OpenFile();
    }

    ScopedTestHome home;
    FakeWavDisk disk;
    FakeMessageBoxes boxes;
    FakeFileDialogs dialogs;
    QDateTime clock{QDate(2007, 2, 3), QTime(14, 5, 9)};
    int32_t tuned = 71000000;
    std::vector<std::string> events;
    std::vector<int32_t> progress;
    int readRequests = 0;
    std::function<void()> onPlayEnd;
    int64_t sent = 0;
    std::unique_ptr<clsWavFile> wav;
};
