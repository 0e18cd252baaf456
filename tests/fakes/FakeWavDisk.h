#pragma once

#include "audio/WavDisk.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// An in-memory disk for the recorder and player while it lives; a write stamps its file
// with the disk's clock. Faults are injected per path (remove, rename, open, length, the
// file's time) or by a function of the write's (offset, count) or of the read's (path,
// offset, count) that returns an error number or 0. Content beyond keepBytesUpTo is kept
// only for small writes (headers, trailers), so that a test can write a file of gigabytes.
class FakeWavDisk : public WavDisk
{
public:
    static constexpr int32_t SmallWrite = 1 << 16;

    struct File
    {
        std::vector<uint8_t> bytes;                          // the kept content from 0
        std::map<int64_t, std::vector<uint8_t>> smallWrites;  // kept beyond keepBytesUpTo, by offset
        int64_t length = 0;
        std::chrono::system_clock::time_point modified;       // the last write, by the disk's clock

        uint8_t At(int64_t at) const
        {
            if (at < static_cast<int64_t>(bytes.size()))
                return bytes[static_cast<std::size_t>(at)];
            auto chunk = smallWrites.upper_bound(at);
            if (chunk == smallWrites.begin())
                return 0;
            --chunk;
            const int64_t inChunk = at - chunk->first;
            return inChunk < static_cast<int64_t>(chunk->second.size()) ? chunk->second[static_cast<std::size_t>(inChunk)] : 0;
        }
    };

    FakeWavDisk() { SetWavDisk(this); }
    ~FakeWavDisk() override { SetWavDisk(nullptr); }
    FakeWavDisk(const FakeWavDisk&) = delete;
    FakeWavDisk& operator=(const FakeWavDisk&) = delete;

    void Put(const std::string& path, std::vector<uint8_t> bytes, std::chrono::system_clock::time_point modified = {})
    {
        const auto length = static_cast<int64_t>(bytes.size());
        files[path] = File{std::move(bytes), {}, length, modified};
    }

    // The whole kept content of a file; empty when there is none.
    std::vector<uint8_t> Content(const std::string& path) const
    {
        const auto it = files.find(path);
        return it == files.end() ? std::vector<uint8_t>() : it->second.bytes;
    }

    // count bytes of a file from offset, wherever they were kept.
    std::vector<uint8_t> Bytes(const std::string& path, int64_t offset, int32_t count) const
    {
        std::vector<uint8_t> bytes;
        const File& file = files.at(path);
        for (int64_t at = offset; at < std::min(offset + count, file.length); ++at)
            bytes.push_back(file.At(at));
        return bytes;
    }

    bool Exists(const std::string& path) override { return files.count(path) != 0; }

    int Remove(const std::string& path) override
    {
        if (const int error = Fault(removeErrors, path))
            return error;
        return files.erase(path) != 0 ? 0 : ENOENT;
    }

    int Rename(const std::string& from, const std::string& to) override
    {
        if (const int error = Fault(renameErrors, to))
            return error;
        const auto it = files.find(from);
        if (it == files.end())
            return ENOENT;
        File moved = std::move(it->second);
        files.erase(it);
        files[to] = std::move(moved);
        return 0;
    }

    int Open(const std::string& path, Access access, int& handle) override
    {
        if (const int error = Fault(openErrors, path))
            return error;
        if (access != Access::CreateReadWrite && !Exists(path))
            return ENOENT;
        if (access == Access::CreateReadWrite)
            files[path] = File{{}, {}, 0, clock()};
        handle = nextHandle_++;
        open[handle] = path;
        return 0;
    }

    int Close(int handle) override
    {
        if (open.erase(handle) == 0)
            return EBADF;
        return 0;
    }

    int Length(int handle, int64_t& length) override
    {
        File* file = FileOf(handle);
        if (!file)
            return EBADF;
        if (const int error = Fault(lengthErrors, open[handle]))
            return error;
        length = file->length;
        return 0;
    }

    int Modified(int handle, std::chrono::system_clock::time_point& when) override
    {
        File* file = FileOf(handle);
        if (!file)
            return EBADF;
        when = file->modified;
        return 0;
    }

    int FileModified(const std::string& path, std::chrono::system_clock::time_point& when) override
    {
        if (const int error = Fault(modifiedErrors, path))
            return error;
        const auto it = files.find(path);
        if (it == files.end())
            return ENOENT;
        when = it->second.modified;
        return 0;
    }

    int WriteAt(int handle, int64_t offset, const uint8_t* data, int32_t count) override
    {
        File* file = FileOf(handle);
        if (!file)
            return EBADF;
        if (writeFault)
            if (const int error = writeFault(offset, count))
                return error;
        file->modified = clock();
        file->length = std::max(file->length, offset + count);
        if (offset + count > keepBytesUpTo && count <= SmallWrite)
            file->smallWrites[offset].assign(data, data + count);
        const int64_t keptEnd = std::min<int64_t>(offset + count, keepBytesUpTo);
        if (keptEnd > offset) {
            if (static_cast<int64_t>(file->bytes.size()) < keptEnd)
                file->bytes.resize(static_cast<std::size_t>(keptEnd));
            std::copy(data, data + (keptEnd - offset), file->bytes.begin() + offset);
        }
        return 0;
    }

    int ReadAt(int handle, int64_t offset, uint8_t* data, int32_t count, int32_t& got) override
    {
        got = 0;
        File* file = FileOf(handle);
        if (!file)
            return EBADF;
        if (readFault)
            if (const int error = readFault(open[handle], offset, count))
                return error;
        got = static_cast<int32_t>(std::clamp<int64_t>(file->length - offset, 0, count));
        for (int32_t i = 0; i < got; ++i)
            data[i] = file->At(offset + i);
        return 0;
    }

    int Truncate(int handle, int64_t length) override
    {
        File* file = FileOf(handle);
        if (!file)
            return EBADF;
        file->length = length;
        file->modified = clock();
        if (static_cast<int64_t>(file->bytes.size()) > length)
            file->bytes.resize(static_cast<std::size_t>(length));
        file->smallWrites.erase(file->smallWrites.lower_bound(length), file->smallWrites.end());
        return 0;
    }

    std::map<std::string, File> files;
    std::map<int, std::string> open;  // handle -> path
    std::map<std::string, int> removeErrors, renameErrors, openErrors, lengthErrors, modifiedErrors;
    std::function<int(int64_t offset, int32_t count)> writeFault;
    std::function<int(const std::string& path, int64_t offset, int32_t count)> readFault;
    int64_t keepBytesUpTo = INT64_MAX;
    std::function<std::chrono::system_clock::time_point()> clock = [] { return std::chrono::system_clock::now(); };

private:
    static int Fault(const std::map<std::string, int>& errors, const std::string& path)
    {
        const auto it = errors.find(path);
        return it == errors.end() ? 0 : it->second;
    }

    File* FileOf(int handle)
    {
        const auto it = open.find(handle);
        if (it == open.end())
            return nullptr;
        const auto file = files.find(it->second);
        return file == files.end() ? nullptr : &file->second;
    }

    int nextHandle_ = 100;
};
