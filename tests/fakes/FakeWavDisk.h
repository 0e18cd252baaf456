#pragma once

#include "audio/WavDisk.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// An in-memory disk for the recorder and player while it lives. Faults are injected per
// path (remove, rename, open) or by a function of the write's (offset, count)
// that returns an error number or 0. Content beyond keepBytesUpTo is not kept (the file
// only grows), so that a test can write a file of gigabytes; lastWrite keeps the last
// write's bytes wherever it went.
class FakeWavDisk : public WavDisk
{
public:
    struct File
    {
        std::vector<uint8_t> bytes;  // the kept content
        int64_t length = 0;
    };

    struct Write
    {
        int64_t offset = 0;
        std::vector<uint8_t> bytes;
    };

    FakeWavDisk() { SetWavDisk(this); }
    ~FakeWavDisk() override { SetWavDisk(nullptr); }
    FakeWavDisk(const FakeWavDisk&) = delete;
    FakeWavDisk& operator=(const FakeWavDisk&) = delete;

    void Put(const std::string& path, std::vector<uint8_t> bytes)
    {
        const auto length = static_cast<int64_t>(bytes.size());
        files[path] = File{std::move(bytes), length};
    }

    // The whole kept content of a file; empty when there is none.
    std::vector<uint8_t> Content(const std::string& path) const
    {
        const auto it = files.find(path);
        return it == files.end() ? std::vector<uint8_t>() : it->second.bytes;
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
        if (access == Access::ReadOnly && !Exists(path))
            return ENOENT;
        if (access == Access::CreateReadWrite)
            files[path] = File{};
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
        length = file->length;
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
        lastWrite = Write{offset, std::vector<uint8_t>(data, data + count)};
        file->length = std::max(file->length, offset + count);
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
        got = static_cast<int32_t>(std::clamp<int64_t>(file->length - offset, 0, count));
        for (int32_t i = 0; i < got; ++i) {
            const int64_t at = offset + i;
            data[i] = at < static_cast<int64_t>(file->bytes.size()) ? file->bytes[static_cast<std::size_t>(at)] : 0;
        }
        return 0;
    }

    std::map<std::string, File> files;
    std::map<int, std::string> open;  // handle -> path
    std::map<std::string, int> removeErrors, renameErrors, openErrors;
    std::function<int(int64_t offset, int32_t count)> writeFault;
    int64_t keepBytesUpTo = INT64_MAX;
    Write lastWrite;

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
