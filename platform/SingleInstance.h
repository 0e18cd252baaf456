#pragma once

#include <string>

// Tells whether another instance of the program runs for this user. The instance binds
// an abstract-namespace Unix socket named after the user id, which needs no folder at
// all; where such a socket cannot be had, it locks a file under /tmp that the user owns.
// The kernel lets go of both when the process ends, so a crashed instance never blocks
// the next start. The instance is the user's settings file: a program folder given by
// $ZOZEVERE_HOME makes no instance of its own, a settings folder other than the user's
// own (a test's $XDG_CONFIG_HOME) does.
class SingleInstance
{
public:
    enum class Method { SocketThenLockFile, LockFileOnly };

    explicit SingleInstance(std::string name = DefaultName(), Method method = Method::SocketThenLockFile);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this object holds the instance (or now took it); false when another
    // process holds it. When neither way works, the program is let run.
    bool Acquire();

    // "ZOZEVERE-<user id>", followed by a hash of the settings file's path when that is
    // not the user's own ~/.config/ZOZEVERE/ZOZEVERE.ini.
    static std::string DefaultName();
    std::string LockFilePath() const;  // /tmp/<name>.lock

private:
    enum class Outcome { Held, HeldByOther, Unavailable };
    Outcome BindSocket();
    Outcome LockFile();

    std::string name_;
    Method method_;
    int fd_ = -1;
};
