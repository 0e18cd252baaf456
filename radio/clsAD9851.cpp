#include "radio/clsAD9851.h"

clsAD9851::clsAD9851() : AD985xDriver("clsAD9851", LimitType::Single, 0x01) {}
