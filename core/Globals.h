#pragma once

#include <cstdint>

// Process-wide values that the start-up supervisor sets before anything else reads them.
inline bool TraceOn = false;          // "trace" on the command line: the trace log records
inline bool InIDE = false;            // running inside a development environment (never, here)
inline int32_t IFCentreHz = 12000;    // audio IF centre of the receive chain, hertz
