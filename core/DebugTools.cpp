#include "core/DebugTools.h"

namespace DebugTools {

bool InIDE() { return false; }

} // namespace DebugTools
