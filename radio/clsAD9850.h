#pragma once

#include "radio/AD985xDriver.h"

// The AD9850 direct digital synthesiser: 32-bit limits, control byte 0.
class clsAD9850 : public AD985xDriver
{
public:
    clsAD9850();
};
