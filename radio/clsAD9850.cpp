#include "radio/clsAD9850.h"

clsAD9850::clsAD9850() : AD985xDriver("clsAD9850", LimitType::Long, 0x00) {}
