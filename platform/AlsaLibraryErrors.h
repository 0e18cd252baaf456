#pragma once

#include <functional>
#include <string>

// The ALSA library writes its own error lines ("ALSA lib pcm.c:2666:(snd_pcm_open_noupdate)
// Unknown PCM ...") to the terminal. Routed, each line goes to the given log instead, on
// the thread of the Qt application whatever thread the library reported it on.
namespace AlsaLibraryErrors {

// An empty function gives the lines back to the terminal.
void Route(std::function<void(const std::string& line)> log);

// While it lives, the library's error lines are dropped: for the name hints, whose
// evaluation of the cards' devices reports every card that is not there, dozens of lines at
// each listing. The library has one handler for all threads, so this is for the main thread,
// which makes every call into the library (a sound server plugin's own thread aside).
class Quiet
{
public:
    Quiet();
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    Handler saved_;
};

} // namespace AlsaLibraryErrors
