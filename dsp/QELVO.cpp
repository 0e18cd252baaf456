#include "dsp/QELVO.h"

#include <cstring>

namespace QELVO {

void Copy_16(const int16_t* src, int16_t* dst, int32_t n)
{
    if (n > 0)
        std::memmove(dst, src, sizeof(int16_t) * static_cast<size_t>(n));
}

void Zero_16(int16_t* dst, int32_t n)
{
    if (n > 0)
        std::memset(dst, 0, sizeof(int16_t) * static_cast<size_t>(n));
}

} // namespace QELVO
