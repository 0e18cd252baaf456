#include "dsp/ReceiveState.h"

#include "core/DoEvents.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"

#include <string>

int32_t PhaseIncrementFor(int32_t hertz)
{
    return Numeric::CLng(Numeric::Int(1073741824.0 / ReceiveSampleRate * hertz + 0.5));
}

void WaitForReceiveChain()
{
    while (InDSP)
        DoEvents();
}

void RequireElements(size_t have, size_t need, const char* source)
{
    if (have < need)
        throw RuntimeError(9, "Subscript out of range: " + std::to_string(have) + " elements given, "
                                  + std::to_string(need) + " needed", source);
}
