#pragma once

#include "support/PacedSoundRig.h"

#include <utility>

// The rig's sound server held with SIGSTOP, as a hung server is, for as long as this lives,
// and let go on every way out of a test.
class HeldSoundServer
{
public:
    explicit HeldSoundServer(PacedSoundRig& rig) : rig_(rig), held_(rig.HoldServer(true)) {}
    ~HeldSoundServer() { Release(); }
    HeldSoundServer(const HeldSoundServer&) = delete;
    HeldSoundServer& operator=(const HeldSoundServer&) = delete;

    // False when the server could not be held.
    bool Held() const { return held_; }
    void Release()
    {
        if (std::exchange(held_, false))
            rig_.HoldServer(false);
    }

private:
    PacedSoundRig& rig_;
    bool held_;
};
