#pragma once

#include <functional>
#include <string>

// The ALSA library writes its own error lines ("ALSA lib pcm.c:2666:(snd_pcm_open_noupdate)
// Unknown PCM ...") to the terminal. Routed, each line goes to the given log instead, on
// the thread of the Qt application whatever thread the library reported it on.
namespace AlsaLibraryErrors {

// An empty function gives the lines back to the terminal.
void Route(std::function<void(const std::string& line)> log);

} // namespace AlsaLibraryErrors
