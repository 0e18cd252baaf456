#pragma once

#include <string>

// Tells whether another instance of the program runs, by an exclusive lock on a
// file in the user's runtime folder ($XDG_RUNTIME_DIR, else the settings folder).
// The kernel drops the lock when its process ends, so a crashed instance never
// blocks the next start.
class SingleInstance
{
public:
    explicit SingleInstance(std::string lockPath = DefaultLockPath());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process holds the lock (or now took it); false when another
    // process holds it. A lock file that cannot be created does not stop the program.
    bool Acquire();

    static std::string DefaultLockPath();

private:
    std::string lockPath_;
    int fd_ = -1;
};
