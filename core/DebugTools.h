#pragma once

// Whether the program runs inside its development environment.
namespace DebugTools {

// Always False: this program never runs inside an interpreter of its own source, so a
// failing start-up step is always skipped rather than stopping in a debugger.
bool InIDE();

} // namespace DebugTools
