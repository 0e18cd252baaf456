#include "audio/WavDisk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::chrono::system_clock::time_point ModificationOf(const struct stat& info)
{
    const auto sinceEpoch = std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
    return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
}

class PosixWavDisk : public WavDisk
{
public:
    bool Exists(const std::string& path) override
    {
        struct stat info{};
        return ::lstat(path.c_str(), &info) == 0;
    }

    int Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

    int Rename(const std::string& from, const std::string& to) override
    {
        if (::rename(from.c_str(), to.c_str()) == 0)
            return 0;
        if (errno != EXDEV)
            return errno;
        // The recordings folder and the chosen folder lie on different file systems.
        std::error_code error;
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
        if (error) {
            std::filesystem::remove(to);
            return error.value();
        }
        return Remove(from);
    }

    int Open(const std::string& path, Access access, int& handle) override
    {
        handle = ::open(path.c_str(), FlagsFor(access) | O_CLOEXEC, 0644);
        if (handle < 0)
            return errno;
        if (access != Access::ReadOnly)
            return 0;
        struct stat info{};
        const int error = ::fstat(handle, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : NotRegularFile;
        if (error != 0) {
            ::close(handle);
            handle = -1;
        }
        return error;
    }

    static int FlagsFor(Access access)
    {
        switch (access) {
        case Access::CreateReadWrite:
            return O_RDWR | O_CREAT | O_TRUNC;
        case Access::ReadWriteExisting:
            return O_RDWR;
        case Access::ReadOnly:
            break;
        }
        return O_RDONLY | O_NONBLOCK | O_NOCTTY;
    }

    int Close(int handle) override { return ::close(handle) == 0 ? 0 : errno; }

    int Length(int handle, int64_t& length) override
    {
        struct stat info{};
        if (::fstat(handle, &info) != 0)
            return errno;
        length = info.st_size;
        return 0;
    }

    int Modified(int handle, std::chrono::system_clock::time_point& when) override
    {
        struct stat info{};
        if (::fstat(handle, &info) != 0)
            return errno;
        when = ModificationOf(info);
        return 0;
    }

    int FileModified(const std::string& path, std::chrono::system_clock::time_point& when) override
    {
        struct stat info{};
        if (::stat(path.c_str(), &info) != 0)
            return errno;
        when = ModificationOf(info);
        return 0;
    }

    int Truncate(int handle, int64_t length) override
    {
        while (::ftruncate(handle, length) != 0) {
            if (errno != EINTR)
                return errno;
        }
        return 0;
    }

    int WriteAt(int handle, int64_t offset, const uint8_t* data, int32_t count) override
    {
        while (count > 0) {
            const ssize_t written = ::pwrite(handle, data, static_cast<size_t>(count), offset);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (written == 0)
                return ENOSPC;  // nothing more can be written: never spin
            data += written;
            offset += written;
            count -= static_cast<int32_t>(written);
        }
        return 0;
    }

    int ReadAt(int handle, int64_t offset, uint8_t* data, int32_t count, int32_t& got) override
    {
        got = 0;
        while (got < count) {
            const ssize_t read = ::pread(handle, data + got, static_cast<size_t>(count - got), offset + got);
            if (read < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (read == 0)
                break;
            got += static_cast<int32_t>(read);
        }
        return 0;
    }
};

PosixWavDisk realDisk;
WavDisk* currentDisk = &realDisk;

} // namespace

std::string WavDisk::Describe(int error)
{
    return std::strerror(error);
}

WavDisk& CurrentWavDisk()
{
    return *currentDisk;
}

void SetWavDisk(WavDisk* disk)
{
    currentDisk = disk ? disk : &realDisk;
}
