#pragma once

// Lets pending window messages, timers and sound notifications run
// (QCoreApplication::processEvents). Callers that can be re-entered this way
// guard themselves with a busy flag.
void DoEvents();
