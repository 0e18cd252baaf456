#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A pseudo-terminal whose slave side answers the modem-line ioctls as a serial port
// would. A pty has no modem lines; this test executable defines ioctl itself and serves
// RTS, DTR, break, CTS, DSR, RI and DCD of the slave from the object below, passing every
// other call through to the system. While no PtyModemLines lives, nothing is intercepted.
class PtyModemLines
{
public:
    PtyModemLines();
    ~PtyModemLines();
    PtyModemLines(const PtyModemLines&) = delete;
    PtyModemLines& operator=(const PtyModemLines&) = delete;

    bool Available() const { return !slavePath_.empty(); }   // false where no pty can be had
    const std::string& SlavePath() const { return slavePath_; }

    struct Levels
    {
        bool rts = false;
        bool dtr = false;
        bool brk = false;
        bool operator==(const Levels&) const = default;
    };
    std::vector<Levels> OutputChanges() const;

    void SetInputs(int tiocmBits);            // TIOCM_CTS | TIOCM_DSR | TIOCM_RI | TIOCM_CD
    void SetWaitSupported(bool supported);    // false: TIOCMIWAIT fails with EINVAL, as on drivers without it
    int Waiters() const;                      // threads blocked in TIOCMIWAIT now

private:
    int master_ = -1;
    std::string slavePath_;
};
