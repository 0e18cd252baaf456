#pragma once

#include "radio/AD985xDriver.h"

// The AD9851 direct digital synthesiser: single-precision limits, control byte 1 (the
// chip's 6x reference-clock multiplier on).
class clsAD9851 : public AD985xDriver
{
public:
    clsAD9851();
};
