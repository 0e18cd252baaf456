#pragma once

#include <cstdint>

// The program's vector-arithmetic layer.
namespace QELVO {

void Copy_16(const int16_t* src, int16_t* dst, int32_t n);  // dst[0..n-1] = src[0..n-1]; ranges may overlap
void Zero_16(int16_t* dst, int32_t n);                      // dst[0..n-1] = 0

} // namespace QELVO
