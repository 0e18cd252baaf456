#pragma once

#include "support/PacedSoundRig.h"

#include <gtest/gtest.h>

#include <utility>

// The rig's sound server (or PipeWire's session manager alone) held with SIGSTOP, as a hung
// one is, for as long as this lives, and let go on every way out of a test.
class HeldSoundServer
{
public:
    explicit HeldSoundServer(PacedSoundRig& rig, PacedSoundRig::Held what = PacedSoundRig::Held::Server)
        : rig_(rig), what_(what), held_(rig.HoldServer(true, what))
    {
    }
    ~HeldSoundServer() { Release(); }
    HeldSoundServer(const HeldSoundServer&) = delete;
    HeldSoundServer& operator=(const HeldSoundServer&) = delete;

    // False when the server could not be held.
    bool Held() const { return held_; }
    // A hold that broke meanwhile (a process of the server running again, or ended though the
    // test did not kill it) fails the test as the rig's.
    void Release()
    {
        if (!std::exchange(held_, false))
            return;
        const std::string notHeld = rig_.NotHeld(what_);
        EXPECT_EQ(notHeld, "") << "the rig's hold of the server broke";
        rig_.HoldServer(false, what_);
    }

private:
    PacedSoundRig& rig_;
    const PacedSoundRig::Held what_;
    bool held_;
};
