#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The external DRM decoder's process: whether a program of a given name runs, and
// ending the decoder that this program started.
namespace modIsProcessRunning {

// The decoder process started last by this program (platform/ProcessList.h); 0 until then.
inline int64_t DecoderProcessId = 0;

// The decoder processes found by the last EnumTopWindows: at most the one child that this
// program started, while it still runs.
inline std::vector<int64_t> DecoderWindows;

// 1 when a process with this executable name runs, 0 when none does, -1 when the process
// list cannot be read. Names are compared without regard to case, with or without ".exe".
int16_t IsProcessRunning(const std::string& executableName);

// The characters before the first NUL; all of them when there is none.
std::string StripNulls(const std::string& text);

// Fills DecoderWindows with the decoder child when it still runs.
void EnumTopWindows();

// Ends the decoder child that this program started, if it still runs: asked politely
// first, killed after a short wait. Any other process is never touched.
void CloseProcessWindows();

} // namespace modIsProcessRunning
