#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>

// The recorder's and player's file access. Every operation reports 0 or the system's
// error number (errno), so that callers can pass the number on as their result and show
// the system's description of it. Tests install their own disk.
class WavDisk
{
public:
    // CreateReadWrite empties an existing file; ReadWriteExisting opens one as it is.
    // ReadOnly never blocks (a FIFO or device would) and opens regular files only:
    // anything else gives NotRegularFile.
    enum class Access { CreateReadWrite, ReadWriteExisting, ReadOnly };
    static constexpr int NotRegularFile = EINVAL;

    virtual ~WavDisk() = default;

    virtual bool Exists(const std::string& path) = 0;
    virtual int Remove(const std::string& path) = 0;
    // Gives the file its new name; across file systems the file is copied and removed.
    virtual int Rename(const std::string& from, const std::string& to) = 0;

    virtual int Open(const std::string& path, Access access, int& handle) = 0;
    virtual int Close(int handle) = 0;
    virtual int Length(int handle, int64_t& length) = 0;
    // When the file's content was last written.
    virtual int Modified(int handle, std::chrono::system_clock::time_point& when) = 0;
    // The same for the file at path, without opening it: a file its user may not read tells it too.
    virtual int FileModified(const std::string& path, std::chrono::system_clock::time_point& when) = 0;
    virtual int Truncate(int handle, int64_t length) = 0;  // the file ends at length
    virtual int WriteAt(int handle, int64_t offset, const uint8_t* data, int32_t count) = 0;
    // Reads up to count bytes; fewer (down to 0) at the end of the file is not an error.
    virtual int ReadAt(int handle, int64_t offset, uint8_t* data, int32_t count, int32_t& got) = 0;

    static std::string Describe(int error);  // the system's description of an error number
};

WavDisk& CurrentWavDisk();
void SetWavDisk(WavDisk* disk);  // nullptr restores the real disk
