#pragma once

// Holds a routine's busy flag for the lifetime of the guard, so that every exit,
// exceptions included, clears it:
//     if (busy_) return;
//     BusyGuard guard(busy_);
class BusyGuard
{
public:
    explicit BusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyGuard() { flag_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& flag_;
};
